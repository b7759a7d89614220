#include "controls/midilearndialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "controls/deckcontrols.h"
#include "controls/midimap.h"

MidiLearnDialog::MidiLearnDialog(const DeckControls *controls, MidiMap *map, const QStringList &openPorts,
                                 QWidget *parent)
    : QDialog(parent)
    , controls(controls)
    , map(map)
{
    setWindowTitle(tr("MIDI Learn"));
    setObjectName(QStringLiteral("midiLearnDialog"));

    list = new QTreeWidget;
    list->setObjectName(QStringLiteral("midiControls"));
    list->setColumnCount(2);
    list->setHeaderLabels({tr("Control"), tr("Controller")});
    list->setRootIsDecorated(false);
    list->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    for (const DeckControls::Control &control : controls->controls()) {
        auto *item = new QTreeWidgetItem(list, {control.name, QString()});
        item->setData(0, Qt::UserRole, control.id);
    }

    ports = new QLabel;
    ports->setWordWrap(true);
    status = new QLabel(tr("Pick a control, press Learn, then move or press something on your controller."));
    status->setObjectName(QStringLiteral("midiLearnStatus"));
    status->setWordWrap(true);

    learnButton = new QPushButton(tr("&Learn"));
    learnButton->setObjectName(QStringLiteral("learnButton"));
    clearButton = new QPushButton(tr("&Clear"));
    clearButton->setObjectName(QStringLiteral("clearButton"));
    auto *close = new QPushButton(tr("Close"));
    connect(learnButton, &QPushButton::clicked, this, &MidiLearnDialog::learnSelected);
    connect(clearButton, &QPushButton::clicked, this, &MidiLearnDialog::clearSelected);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(list, &QTreeWidget::itemDoubleClicked, this, &MidiLearnDialog::learnSelected);
    connect(map, &MidiMap::learned, this, &MidiLearnDialog::learned);
    connect(map, &MidiMap::changed, this, &MidiLearnDialog::refresh);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(learnButton);
    buttons->addWidget(clearButton);
    buttons->addStretch();
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(ports);
    layout->addWidget(list);
    layout->addWidget(status);
    layout->addLayout(buttons);
    resize(420, 480);

    showPorts(openPorts);
    refresh();
    list->setCurrentItem(list->topLevelItem(0));
}

MidiLearnDialog::~MidiLearnDialog()
{
    // A control left armed would take the next message of a user who closed the window.
    if (!map->learning().isEmpty())
        map->learn(QString());
}

void MidiLearnDialog::showPorts(const QStringList &open)
{
    ports->setText(open.isEmpty() ? tr("No MIDI controller found. Plug one in: it is found by itself.")
                                  : tr("Controllers: %1").arg(open.join(QStringLiteral(", "))));
}

QString MidiLearnDialog::selectedControl() const
{
    const QTreeWidgetItem *item = list->currentItem();
    return item ? item->data(0, Qt::UserRole).toString() : QString();
}

void MidiLearnDialog::learnSelected()
{
    const QString control = selectedControl();
    if (control.isEmpty())
        return;
    map->learn(control);
    status->setText(tr("Move or press something on your controller for \"%1\"...").arg(list->currentItem()->text(0)));
}

void MidiLearnDialog::clearSelected()
{
    const QString control = selectedControl();
    if (control == map->learning())
        map->learn(QString());
    map->clear(control);
}

void MidiLearnDialog::learned(const QString &control, const MidiMessage &message)
{
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        if (list->topLevelItem(i)->data(0, Qt::UserRole).toString() == control)
            status->setText(tr("\"%1\" follows %2.").arg(list->topLevelItem(i)->text(0), message.describe()));
    }
}

void MidiLearnDialog::refresh()
{
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = list->topLevelItem(i);
        item->setText(1, map->binding(item->data(0, Qt::UserRole).toString()).describe());
    }
}
