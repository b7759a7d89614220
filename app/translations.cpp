#include "app/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>

Translations::Translations(const QLocale &locale)
{
    m_qtBaseLoaded = m_qtBase.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                                   QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (m_qtBaseLoaded)
        QCoreApplication::installTranslator(&m_qtBase);
    // The program's own translations are built into it.
    m_programLoaded = m_program.load(locale, QStringLiteral("sampora"), QStringLiteral("_"), QStringLiteral(":/i18n"));
    if (m_programLoaded)
        QCoreApplication::installTranslator(&m_program);
}

Translations::~Translations()
{
    if (m_programLoaded)
        QCoreApplication::removeTranslator(&m_program);
    if (m_qtBaseLoaded)
        QCoreApplication::removeTranslator(&m_qtBase);
}
