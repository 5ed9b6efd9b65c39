// The transmit configuration tab and the road from a parsed card to typing:
// the lists the operator edits, "Config.ini", the parsers and the composer.
#include "tools.h"
#include "ui_tools.h"

#include "cardparser.h"
#include "composer.h"
#include "fieldnames.h"
#include "msgbox.h"
#include "mrzcheckdigits.h"
#include "transmitlist.h"
#include "transmitsettings.h"

#include <QDate>
#include <QListWidgetItem>
#include <QMessageBox>

void tools::loadSettings()
{
    const TransmitSettings settings = loadTransmitSettings(settingsPath);
    dateFormatIndex = settings.dateFormatIndex;
    ui->cBDateFormat->setCurrentIndex(dateFormatIndex);
    // A field name written by hand in UTF-8 is listed as the field it names.
    transmitList.clear();
    for (const QString &entry : settings.transmitList) {
        const QString name = fieldNameFor(entry);
        transmitList << (name.isNull() ? entry : name);
    }
    tellEntriesMatchingNothing();
}

// Entries that type nothing are named in the status line, until a saved list
// replaces them.
void tools::tellEntriesMatchingNothing()
{
    QStringList quoted;
    for (const QString &entry : entriesMatchingNothing(transmitList))
        quoted << QStringLiteral("\"%1\"").arg(entry);
    if (quoted.isEmpty())
        settingsStatus.clear();
    else if (quoted.size() == 1)
        settingsStatus = tr("Config.ini: %1 names no field or separator; nothing is typed for it.").arg(quoted[0]);
    else
        settingsStatus = tr("Config.ini: %1 name no field or separator; nothing is typed for them.")
                             .arg(quoted.join(QStringLiteral(", ")));
    showReadStatus();
}

void tools::fillFieldLists()
{
    repopulateTransmitWidget();
    ui->lWFields->addItems(fieldNameList);
    ui->lWSeparator->addItems(separatorList);

    // The operator reorders the chosen entries by dragging them inside the list.
    QListWidget *list = ui->lWTransmit;
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setDragEnabled(true);
    list->viewport()->setAcceptDrops(true);
    list->setDropIndicatorShown(true);
    list->setDragDropMode(QAbstractItemView::InternalMove);
}

// lWTransmit is the authority on the chosen entries and their order (a drag
// changes only the widget); transmitList follows it at every refresh.
void tools::refreshTransmitList()
{
    transmitList.clear();
    for (int row = 0; row < ui->lWTransmit->count(); ++row)
        transmitList.append(ui->lWTransmit->item(row)->data(Qt::DisplayRole).toString());
}

void tools::repopulateTransmitWidget()
{
    ui->lWTransmit->clear();
    ui->lWTransmit->insertItems(0, transmitList);
}

void tools::on_lWFields_itemDoubleClicked(QListWidgetItem *item)
{
    refreshTransmitList();
    if (!canAddField(transmitList, item->text()))
        return;
    transmitList.append(item->text());
    repopulateTransmitWidget();
}

void tools::on_lWSeparator_itemDoubleClicked(QListWidgetItem *item)
{
    refreshTransmitList();
    transmitList.append(item->text());
    repopulateTransmitWidget();
}

void tools::on_lWTransmit_itemDoubleClicked(QListWidgetItem *)
{
    QListWidgetItem *current = ui->lWTransmit->currentItem();
    if (!current) {
        QMessageBox::information(this, tr("info"), tr("please select items"), QMessageBox::Ok,
                                 QMessageBox::NoButton);
        return;
    }
    delete ui->lWTransmit->takeItem(ui->lWTransmit->row(current));
    refreshTransmitList();
}

void tools::on_pBClean_clicked()
{
    transmitList.clear();
    ui->lWTransmit->clear();
}

void tools::on_pBSave_clicked()
{
    // What the operator sees is what is saved, a reorder made only by
    // dragging included.
    refreshTransmitList();
    if (!saveTransmitSettings(settingsPath, ui->cBDateFormat->currentIndex(), transmitList)) {
        showMsgBox(MsgBox::Warning, tr("Could not save Config.ini."));
        return;
    }
    tellEntriesMatchingNothing();
}

bool tools::parseMrzRecord(const QByteArray &block)
{
    const std::optional<IdRecord> parsed =
        ::parseMrzRecord(block, ui->cBDateFormat->currentIndex(), QDate::currentDate());
    if (!parsed)
        return false;
    currentRecord = *parsed;
    // Typed as it was read all the same; the operator is asked to look.
    readStatus = misreadCardNotice(failedMrzChecks(block));
    if (!readStatus.isEmpty())
        logReadNote(readStatus);
    showReadStatus();
    transmitRecord();
    return true;
}

void tools::parseLongRecord(const QByteArray &block)
{
    currentRecord = ::parseLongRecord(block, ui->cBDateFormat->currentIndex());
    readStatus.clear();
    transmitRecord();
}

void tools::transmitRecord()
{
    if (composerSuppressed(ui->tabWidget->tabText(ui->tabWidget->currentIndex())))
        return;
    composeOutput();
}

void tools::composeOutput()
{
    refreshTransmitList();
    typeCardText(::composeOutput(transmitList, currentRecord));
}
