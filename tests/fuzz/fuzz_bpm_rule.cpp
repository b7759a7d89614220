// The BPM rule (the last run of ASCII digits in the file name whose value is 51..219, else -1)
// against a plain restatement of it: the fast digit walk must agree on every name.
#include <cstdint>
#include <cstdlib>

#include <QString>

#include "library/sampora.h"

namespace {

int referenceBpm(const QString &path)
{
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    int bpm = -1;
    qsizetype i = 0;
    while (i < name.size()) {
        if (name[i] < QLatin1Char('0') || name[i] > QLatin1Char('9')) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < name.size() && name[end] >= QLatin1Char('0') && name[end] <= QLatin1Char('9'))
            ++end;
        // Leading zeros do not count ("0120" is 120); past three digits a value is out of range,
        // however long the run.
        QStringView digits = QStringView(name).mid(i, end - i);
        while (digits.size() > 1 && digits.front() == QLatin1Char('0'))
            digits = digits.mid(1);
        const int value = digits.size() <= 3 ? digits.toInt() : 0;
        if (value >= 51 && value <= 219)
            bpm = value;
        i = end;
    }
    return bpm;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const int bpm = Sampora::bpmFromFileName(path);
    if (bpm != referenceBpm(path))
        abort();
    if (bpm != -1 && (bpm < 51 || bpm > 219))
        abort();
    return 0;
}
