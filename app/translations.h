#pragma once

#include <QLocale>
#include <QTranslator>

// Installs the program's translation for a locale and Qt's own base translations (the
// texts of standard buttons and dialogs) for as long as it lives. Missing translations
// leave the English texts.
class Translations {
public:
    explicit Translations(const QLocale &locale = QLocale());
    ~Translations();
    Translations(const Translations &) = delete;
    Translations &operator=(const Translations &) = delete;

    bool programTranslated() const { return m_programLoaded; }

private:
    QTranslator m_qtBase;
    QTranslator m_program;
    bool m_qtBaseLoaded = false;
    bool m_programLoaded = false;
};
