#pragma once

#include <optional>

#include <QDialog>

#include "library/configfile.h"
#include "library/configwriter.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QRadioButton;

// Adds one sample folder to config.xml, or changes the settings of a configured one.
// The mode is fixed when the dialog is built: without a folder it imports a new one,
// with one it edits that entry. Its only lasting effect is the rewritten config.xml;
// openers learn of it through accepted().
class ImportFolder : public QDialog {
    Q_OBJECT
public:
    // The folder is copied: the list it comes from may be rebuilt while this is open.
    explicit ImportFolder(QWidget *parent = nullptr,
                          std::optional<ConfigFile::Entry> folder = std::nullopt);

    // Shows the folder as the one to import (a folder dropped on the window); empty: none.
    void selectDirectory(const QString &text);

private slots:
    void browse();
    void import();
    void cancel();

private:
    bool editing() const { return m_folder.has_value(); }
    void addDirectory(const QString &text);
    std::optional<QString> pathToStore(const QString &text) const;
    ConfigWriter::Attributes attributes(const QString &path) const;

    std::optional<ConfigFile::Entry> m_folder;
    QLabel *m_status = nullptr;
    QComboBox *m_directory = nullptr;
    QCheckBox *m_hipHop = nullptr;
    QCheckBox *m_techno = nullptr;
    QCheckBox *m_custom = nullptr;
    QRadioButton *m_melody = nullptr;
    QRadioButton *m_beat = nullptr;
    QRadioButton *m_bass = nullptr;
};
