#include "tools.h"
#include "ui_tools.h"

#include "catalogue.h"
#include "fieldnames.h"
#include "portlist.h"
#include "rememberedport.h"
#include "systemkeyboard.h"
#include "transmitsettings.h"

#include <QTimer>

#include <chrono>

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kHousekeepingFirstInterval{100};
constexpr milliseconds kHousekeepingInterval{5000};

const QStringList kBaudRates{QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400"),
                             QStringLiteral("115200"), QStringLiteral("921600")};
constexpr int kDefaultBaudRateIndex = 3; // 115200

// Index = the date format used by the card parsers and stored in Config.ini.
const QStringList kDateFormats{QStringLiteral("aa/mm/dd"), QStringLiteral("aaaa/mm/dd"),
                               QStringLiteral("dd/mm/aa"), QStringLiteral("dd/mm/aaaa")};

KeyboardDevice &keyboardOrSystem(std::unique_ptr<KeyboardDevice> &keyboard)
{
    if (!keyboard)
        keyboard = createSystemKeyboard();
    return *keyboard;
}

} // namespace

tools::tools(QWidget *parent, ToolsOptions options)
    : QWidget(parent)
    , ui(new Ui::tools)
    , housekeepingTimer(new QTimer)
    , extraPorts(std::move(options.extraPorts))
    , portLister(std::move(options.portLister))
    , portWatch(portLister)
    , settingsPath(std::move(options.settingsPath))
    , keyboard(std::move(options.keyboard))
    , typingKeyboard(keyboardOrSystem(keyboard), [this] { receivePath.readNow(); })
    , injector(typingKeyboard)
    , typingNotices(keyboard->reach(), QString::fromLocal8Bit(qgetenv("XDG_CURRENT_DESKTOP")))
{
    ui->setupUi(this);
    connectLinkToPanel();
    connectReceivePath();

    fillPortList();

    buildCommandCatalogue();
    currentRecord = IdRecord{};
    fieldNameList = ::fieldNameList();
    separatorList = ::separatorList();

    ui->cBbuadRate->addItems(kBaudRates);
    ui->cBbuadRate->setCurrentIndex(kDefaultBaudRateIndex);
    ui->cBDateFormat->addItems(kDateFormats);

    loadSettings();
    fillFieldLists();

    // Runs before the key table exists, so with the empty record it types
    // nothing; what stays is transmitList refreshed from the widget.
    transmitRecord();
    injector.initKeyTable();
    typingReady = true;

    connect(housekeepingTimer, SIGNAL(timeout()), this, SLOT(ptimerOut()));
    housekeepingTimer->start(kHousekeepingFirstInterval);

    connect(ui->tabWidget, SIGNAL(currentChanged(int)), this, SLOT(getCurrChanged(int)));
}

tools::~tools()
{
    delete ui;
    delete housekeepingTimer;
}

// The ports the system lists, described in their tool tips, then those
// given with --port. The first of those is the one to open; without them the
// port that identified a scanner last time, when it is there.
void tools::fillPortList()
{
    const QList<SerialPortEntry> listed = portLister();
    for (const SerialPortEntry &port : listed) {
        ui->cBcomPort->addItem(port.name);
        const QString toolTip = portToolTip(port);
        if (!toolTip.isEmpty())
            ui->cBcomPort->setItemData(ui->cBcomPort->count() - 1, toolTip, Qt::ToolTipRole);
    }
    ui->cBcomPort->addItems(extraPorts);
    if (!extraPorts.isEmpty())
        ui->cBcomPort->setCurrentIndex(listed.size());
    else
        selectPort(rememberedPort(userSettings));
}

void tools::selectPort(const QString &portName)
{
    const int index = portName.isEmpty() ? -1 : ui->cBcomPort->findText(portName, Qt::MatchExactly);
    if (index >= 0)
        ui->cBcomPort->setCurrentIndex(index);
}

void tools::ptimerOut()
{
    housekeepingTimer->stop();
    housekeepingTimer->start(kHousekeepingInterval);
}

void tools::on_pBClear_clicked()
{
    ui->tElog->clear();
}

void tools::getCurrChanged(int)
{
}
