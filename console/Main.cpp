#include "console/Main.h"

#include "commands/Catalogue.h"
#include "commands/FirmwareVersion.h"
#include "commands/Payload.h"
#include "console/CommandDialog.h"
#include "console/CommandPanel.h"
#include "console/TrafficLogModel.h"
#include "console/TrafficLogView.h"
#include "decoding/DecodeFrame.h"
#include "links/SerialLink.h"
#include "protocol/Envelope.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QFontDatabase>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QWindow>

#include <chrono>
#include <cmath>
#include <stdexcept>
#include <string>

#ifndef ORVEK_VERSION
#error "ORVEK_VERSION must name the program's four-part version"
#endif

namespace orvek {

namespace {

using namespace std::chrono_literals;

constexpr auto kSerialIdleTimeOut = 400ms;
constexpr auto kReconnectInterval = 2000ms;
constexpr auto kClockInterval = 1s;
constexpr int kDataTextOffset = 42;
constexpr int kStatusBarHeight = 21;
constexpr int kCommandPanelWidth = 197;
constexpr int kReceiveChunk = 1000;
// Text handled per data notification; the link announces the rest on the next event-loop turn,
// so a flood never holds the window for long.
constexpr qint64 kReceivePerNotification = 64 * 1024;

const QColor kAddressConnected(0, 255, 0);
const QColor kAddressIdle(255, 255, 255);

// Four numbers 0 to 255; a prefix of such text is intermediate while typing.
const QRegularExpression& Ipv4Pattern()
{
    static const QRegularExpression pattern(
        "^((25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])\\.){3}(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])$");
    return pattern;
}

QString ToQString(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QFont WindowFont()
{
    QFont font;
    font.setFamilies({"Segoe UI", QFontDatabase::systemFont(QFontDatabase::GeneralFont).family()});
    font.setPixelSize(12);
    return font;
}

}  // namespace

// --- small controls ---

DataLabel::DataLabel(const QString& caption, QWidget* parent) : QWidget(parent), m_caption(caption) {}

void DataLabel::setDataText(const QString& text)
{
    m_dataText = text;
    update();
}

void DataLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect area = rect();
    painter.setPen(QColor(0, 0, 255));
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter, m_caption);
    const int separatorLeft = painter.fontMetrics().horizontalAdvance(m_caption);

    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(area.adjusted(separatorLeft, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, ":");
    painter.drawText(area.adjusted(kDataTextOffset, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, m_dataText);
}

ReaderIdEdit::ReaderIdEdit(QWidget* parent) : QLineEdit(parent)
{
    setMaxLength(3);
    setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,3}"), this));
}

void ReaderIdEdit::focusOutEvent(QFocusEvent* event)
{
    bool isNumber = false;
    const int value = text().toInt(&isNumber);
    if (isNumber && value > kLargestReaderId) setText(QString::number(kLargestReaderId));
    QLineEdit::focusOutEvent(event);
}

void PortComboBox::showPopup()
{
    emit dropDown();
    QComboBox::showPopup();
}

bool IsIpv4Address(const QString& text) { return Ipv4Pattern().match(text).hasMatch(); }

QRect ClampToDesktop(QRect rect, const QRect& desktop)
{
    if (rect.right() > desktop.right()) rect.moveRight(desktop.right());
    if (rect.bottom() > desktop.bottom()) rect.moveBottom(desktop.bottom());
    if (rect.left() < desktop.left()) rect.moveLeft(desktop.left());
    if (rect.top() < desktop.top()) rect.moveTop(desktop.top());
    return rect;
}

// --- building the window ---

TForm1::TForm1(quint16 tcpPort, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_tcp(new TcpLink(tcpPort, this)),
      m_serial(new SerialLink(this)),
      m_log(new TrafficLogModel(this))
{
    setObjectName("Form1");
    setWindowTitle("ORVEK utility for ZTB - ZTK");
    setFont(WindowFont());
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);

    CreateActions();
    CreateControls();
    CreateTimers();
    ConnectLinks();
    SetTabOrder();

    resize(kDesignClientSize);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect placement(QPoint(), kDesignClientSize);
        placement.moveCenter(screen->availableGeometry().center());
        move(placement.topLeft());
    }
    FormCreate();
}

TForm1::~TForm1()
{
    // The links are destroyed after this body; their last signals must not reach a window
    // that is half gone.
    m_tcp->disconnect(this);
    m_serial->disconnect(this);
    if (m_shown) StorePlacement();
    FormDestroy();
}

void TForm1::Anchor(QWidget* widget, const QRect& design, Qt::Edges anchors)
{
    widget->setGeometry(design);
    m_anchored.push_back({widget, design, anchors});
}

void TForm1::CreateActions()
{
    static constexpr std::pair<std::string_view, CommandHandler> kHandlers[] = {
        {"ACT_fwExecute", &TForm1::ACT_fwExecute},
        {"ACT_setClockExecute", &TForm1::ACT_setClockExecute},
        {"ACT_setBeepExecute", &TForm1::ACT_setBeepExecute},
        {"ACT_6setIdExecute", &TForm1::ACT_6setIdExecute},
        {"ACT_10rimandaPassExecute", &TForm1::ACT_10rimandaPassExecute},
        {"ACT_13setRidondExecute", &TForm1::ACT_13setRidondExecute},
        {"ACT_14setRilascioExecute", &TForm1::ACT_14setRilascioExecute},
        {"ACT_16startExecute", &TForm1::ACT_16startExecute},
        {"ACT_18paramFCExecute", &TForm1::ACT_18paramFCExecute},
        {"ACT_19modalitaExecute", &TForm1::ACT_19modalitaExecute},
        {"ACT_20pcbeepExecute", &TForm1::ACT_20pcbeepExecute},
        {"ACT_51autostartExecute", &TForm1::ACT_51autostartExecute},
        {"ACT_53setSensExecute", &TForm1::ACT_53setSensExecute},
        {"ACT_98setHwExecute", &TForm1::ACT_98setHwExecute},
    };

    for (const Command& command : Catalogue()) {
        CommandHandler handler = nullptr;
        for (const auto& [name, member] : kHandlers) {
            if (name == command.handler) handler = member;
        }
        if (!handler)
            throw std::logic_error("no handler " + std::string(command.handler) + " for " +
                                   std::string(command.action));
        auto* action = new QAction(ToQString(command.caption), this);
        action->setObjectName(ToQString(command.action));
        action->setData(command.number);
        connect(action, &QAction::triggered, this, [this, action, handler] { (this->*handler)(action); });
        m_actions.append(action);
    }
}

void TForm1::CreateControls()
{
    using enum Qt::Edge;

    AdvIPEdit1 = new QLineEdit(Settings::kDefaultIpAddress, this);
    AdvIPEdit1->setObjectName("AdvIPEdit1");
    AdvIPEdit1->setAlignment(Qt::AlignCenter);
    AdvIPEdit1->setValidator(new QRegularExpressionValidator(Ipv4Pattern(), AdvIPEdit1));
    SetAddressBackground(kAddressIdle);
    Anchor(AdvIPEdit1, {8, 24, 140, 23}, LeftEdge | TopEdge);

    m_addressLabel = new QLabel("Indirizzo IP (port 4140)", this);
    m_addressLabel->setBuddy(AdvIPEdit1);
    Anchor(m_addressLabel, {8, 7, 160, 15}, LeftEdge | TopEdge);

    CHB_rete = new QCheckBox("Connetti", this);
    CHB_rete->setObjectName("CHB_rete");
    Anchor(CHB_rete, {158, 30, 97, 17}, LeftEdge | TopEdge);

    Button1 = new QPushButton("Clear", this);
    Button1->setObjectName("Button1");
    Anchor(Button1, {272, 24, 133, 25}, LeftEdge | TopEdge | RightEdge);

    AdvDataLabel2 = new DataLabel("Power", this);
    AdvDataLabel2->setObjectName("AdvDataLabel2");
    Anchor(AdvDataLabel2, {440, 9, 90, 16}, TopEdge | RightEdge);

    AdvDataLabel1 = new DataLabel("Temp.", this);
    AdvDataLabel1->setObjectName("AdvDataLabel1");
    Anchor(AdvDataLabel1, {440, 28, 90, 16}, TopEdge | RightEdge);

    EDI_reader = new ReaderIdEdit(this);
    EDI_reader->setObjectName("EDI_reader");
    EDI_reader->setText("1");
    Anchor(EDI_reader, {532, 24, 58, 23}, TopEdge | RightEdge);

    m_readerIdLabel = new QLabel("ID reader", this);
    m_readerIdLabel->setBuddy(EDI_reader);
    Anchor(m_readerIdLabel, {532, 7, 58, 15}, TopEdge | RightEdge);

    CHB_comm = new QCheckBox("Apri Comm", this);
    CHB_comm->setObjectName("CHB_comm");
    Anchor(CHB_comm, {596, 4, 97, 17}, TopEdge | RightEdge);

    CBX_com = new PortComboBox(this);
    CBX_com->setObjectName("CBX_com");
    CBX_com->setMaxVisibleItems(12);
    CBX_com->view()->setMinimumWidth(300);
    Anchor(CBX_com, {596, 24, 218, 23}, TopEdge | RightEdge);

    TRV_rx = new TrafficLogView(this);
    TRV_rx->setObjectName("TRV_rx");
    TRV_rx->setModel(m_log);
    auto* clearItem = new QAction("Clear", TRV_rx);
    clearItem->setObjectName("Clear2");
    TRV_rx->addAction(clearItem);
    TRV_rx->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(clearItem, &QAction::triggered, this, &TForm1::Clear2Click);
    connect(Button1, &QPushButton::clicked, this, &TForm1::Clear2Click);
    Anchor(TRV_rx, {8, 56, 806, 680}, LeftEdge | TopEdge | RightEdge | BottomEdge);

    EXB_menu = new CommandPanel("SEZ_main", "Comandi", m_actions, this);
    EXB_menu->setObjectName("EXB_menu");
    Anchor(EXB_menu,
           {kDesignClientSize.width() - kCommandPanelWidth, 0, kCommandPanelWidth,
            kDesignClientSize.height() - kStatusBarHeight},
           TopEdge | RightEdge | BottomEdge);

    HTMLStatusBar1 = new QStatusBar(this);
    HTMLStatusBar1->setObjectName("HTMLStatusBar1");
    m_clockPanel = new QLabel;
    m_clockPanel->setObjectName("clockPanel");
    m_clockPanel->setAlignment(Qt::AlignCenter);
    m_clockPanel->setFixedWidth(100);
    auto* emptyPanel = new QLabel;
    emptyPanel->setObjectName("emptyPanel");
    emptyPanel->setFixedWidth(100);
    m_firmwarePanel = new QLabel;
    m_firmwarePanel->setObjectName("firmwarePanel");
    m_firmwarePanel->setMinimumWidth(50);
    HTMLStatusBar1->addWidget(m_clockPanel);
    HTMLStatusBar1->addWidget(emptyPanel);
    HTMLStatusBar1->addWidget(m_firmwarePanel, 1);
    Anchor(HTMLStatusBar1,
           {0, kDesignClientSize.height() - kStatusBarHeight, kDesignClientSize.width(), kStatusBarHeight},
           LeftEdge | RightEdge | BottomEdge);
}

void TForm1::CreateTimers()
{
    TIM_outRx = new QTimer(this);
    TIM_outRx->setObjectName("TIM_outRx");
    TIM_outRx->setSingleShot(true);
    TIM_outRx->setInterval(kSerialIdleTimeOut);
    connect(TIM_outRx, &QTimer::timeout, this, &TForm1::TIM_outRxTimer);

    TIM_IPConnect = new QTimer(this);
    TIM_IPConnect->setObjectName("TIM_IPConnect");
    TIM_IPConnect->setInterval(kReconnectInterval);
    connect(TIM_IPConnect, &QTimer::timeout, this, &TForm1::TIM_IPConnectTimer);

    m_clockTimer = new QTimer(this);
    m_clockTimer->setInterval(kClockInterval);
    connect(m_clockTimer, &QTimer::timeout, this, &TForm1::UpdateClock);
    m_clockTimer->start();
    UpdateClock();
}

void TForm1::ConnectLinks()
{
    connect(CHB_rete, &QCheckBox::clicked, this, &TForm1::CHB_reteClick);
    connect(m_tcp, &TcpLink::stateChanged, this, &TForm1::WSocket1ChangeState);
    connect(m_tcp, &TcpLink::dataAvailable, this, &TForm1::WSocket1DataAvailable);

    // The program clears "Apri Comm" itself after a failed opening; that must run the
    // unticking steps as a click does.
    connect(CHB_comm, &QCheckBox::toggled, this, &TForm1::CHB_commClick);
    connect(CBX_com, &QComboBox::activated, this, &TForm1::CBX_comChange);
    connect(CBX_com, &PortComboBox::dropDown, this, &TForm1::CBX_comDropDown);
    connect(m_serial, &SerialLink::opened, this, &TForm1::VaComm1Open);
    connect(m_serial, &SerialLink::closed, this, &TForm1::VaComm1Close);
    connect(m_serial, &SerialLink::rxChar, this, &TForm1::VaComm1RxChar);
    connect(m_serial, &SerialLink::deviceLost, this, &TForm1::VaComm1DeviceLost);
}

void TForm1::SetTabOrder()
{
    setTabOrder(AdvIPEdit1, CHB_rete);
    setTabOrder(CHB_rete, CBX_com);
    setTabOrder(CBX_com, CHB_comm);
    setTabOrder(CHB_comm, TRV_rx);
    setTabOrder(TRV_rx, EDI_reader);
    setTabOrder(EDI_reader, Button1);
}

QAction* TForm1::Action(int number) const
{
    for (QAction* action : m_actions) {
        if (action->data().toInt() == number) return action;
    }
    return nullptr;
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int grownWidth = width() - kDesignClientSize.width();
    const int grownHeight = height() - kDesignClientSize.height();
    for (const AnchoredControl& control : m_anchored) {
        QRect placed = control.design;
        if (control.anchors.testFlag(Qt::RightEdge)) {
            if (control.anchors.testFlag(Qt::LeftEdge))
                placed.setWidth(placed.width() + grownWidth);
            else
                placed.translate(grownWidth, 0);
        }
        if (control.anchors.testFlag(Qt::BottomEdge)) {
            if (control.anchors.testFlag(Qt::TopEdge))
                placed.setHeight(placed.height() + grownHeight);
            else
                placed.translate(0, grownHeight);
        }
        control.widget->setGeometry(placed);
    }
}

// --- lifecycle ---

void TForm1::FormCreate()
{
    LST_com.clear();
    EXB_menu->setSectionExpanded(false);
    setWindowTitle(windowTitle() + "  (Ver: " ORVEK_VERSION ")");
    AdvDataLabel1->setDataText({});
    AdvDataLabel2->setDataText({});
}

void TForm1::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_shown) return;
    m_shown = true;
    ApplyMinimumSize();
    RestorePlacement();
    FormShow();
}

void TForm1::FormShow()
{
    CHB_comm->setEnabled(false);
    RebuildPortList();
    m_log->clear();
    FillComCombo(LST_com);

    const QString address = m_settings.ipAddress();
    AdvIPEdit1->setText(IsIpv4Address(address) ? address : Settings::kDefaultIpAddress);

    const QString port = m_settings.comm();
    CBX_com->setCurrentIndex(port.isEmpty() ? -1 : CBX_com->findText(port, Qt::MatchFixedString));
    CHB_comm->setEnabled(CBX_com->currentIndex() >= 0);
}

void TForm1::closeEvent(QCloseEvent* event)
{
    FormClose();
    QWidget::closeEvent(event);
}

void TForm1::FormClose()
{
    TIM_IPConnect->stop();
    m_settings.setIpAddress(AdvIPEdit1->text());
    m_settings.setComm(CBX_com->currentIndex() >= 0 ? CBX_com->currentText() : QString());
    m_serial->close();
    m_tcp->close();
    // Closing the socket switched the reconnect timer on again; a closed window must not
    // reconnect while the process lives on.
    TIM_IPConnect->stop();
}

void TForm1::FormDestroy()
{
    LST_com.clear();
    m_ports.clear();
}

void TForm1::ApplyMinimumSize()
{
    // The minimum is an outer size; where the frame is thinner than the design's (or absent),
    // the design width stays reachable.
    const QSize frame = frameGeometry().size() - geometry().size();
    const QSize minimum = kMinimumOuterSize - frame;
    setMinimumSize(std::min(minimum.width(), kDesignClientSize.width()), minimum.height());
}

void TForm1::RestorePlacement()
{
    const std::optional<WindowPlacement> stored = m_settings.placement();
    if (!stored) return;
    const QPoint centre((stored->left + stored->right) / 2, (stored->top + stored->bottom) / 2);
    const QScreen* target = QGuiApplication::screenAt(centre);
    if (!target) target = screen();
    const double scale = target->logicalDotsPerInch() / 96.0;
    // The stored edges are the outer ones, frame included.
    QRect outer(stored->left, stored->top, static_cast<int>(std::lround((stored->right - stored->left) * scale)),
                static_cast<int>(std::lround((stored->bottom - stored->top) * scale)));
    if (!stored->maximized) outer = ClampToDesktop(outer, target->availableGeometry());
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    QRect client = outer.marginsRemoved(frame);
    client.setSize(client.size().expandedTo(minimumSize()));
    setGeometry(client);
    if (stored->maximized) setWindowState(windowState() | Qt::WindowMaximized);
}

void TForm1::StorePlacement()
{
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    const QRect outer = isMaximized() ? normalGeometry().marginsAdded(frame) : frameGeometry();
    const double scale = screen()->logicalDotsPerInch() / 96.0;
    m_settings.setPlacement({outer.left(), outer.top(),
                             outer.left() + static_cast<int>(std::lround(outer.width() / scale)),
                             outer.top() + static_cast<int>(std::lround(outer.height() / scale)), isMaximized()});
}

// --- commands ---

void TForm1::ACT_fwExecute(QAction* sender)
{
    const std::uint8_t code = static_cast<std::uint8_t>(sender->data().toInt());
    const Command* command = FindCommand(code);
    if (command && !command->confirmation.empty() && !Confirm(ToQString(command->confirmation))) return;
    const std::uint8_t message[] = {code};
    SendFrame(message);
}

void TForm1::ACT_setClockExecute(QAction*)
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDate date = now.date();
    const QTime time = now.time();
    SendFrame(SetClockMessage({date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second()}));
}

std::optional<std::vector<std::uint8_t>> TForm1::SendWithDialog(QAction* sender)
{
    const Command* command = FindCommand(sender->data().toInt());
    if (!command || !command->dialog) throw std::logic_error("no dialog for " + sender->objectName().toStdString());
    ParameterDialog dialog(*command, this);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    SendFrame(dialog.message());
    return dialog.message();
}

void TForm1::ACT_setBeepExecute(QAction* sender) { SendWithDialog(sender); }

void TForm1::ACT_6setIdExecute(QAction* sender)
{
    // The command goes out to the old ID; every later frame carries the new one.
    if (const auto sent = SendWithDialog(sender); sent && sent->size() > 1)
        EDI_reader->setText(QString::number((*sent)[1]));
}

void TForm1::ACT_10rimandaPassExecute(QAction* sender) { SendWithDialog(sender); }

void TForm1::ACT_13setRidondExecute(QAction* sender) { SendWithDialog(sender); }

void TForm1::ACT_14setRilascioExecute(QAction* sender) { SendWithDialog(sender); }

void TForm1::ACT_16startExecute(QAction* sender) { SendWithDialog(sender); }

void TForm1::ACT_18paramFCExecute(QAction* sender) { SendWithDialog(sender); }

void TForm1::ACT_19modalitaExecute(QAction* sender) { SendWithDialog(sender); }

void TForm1::ACT_20pcbeepExecute(QAction* sender) { SendWithDialog(sender); }

void TForm1::ACT_51autostartExecute(QAction* sender) { SendWithDialog(sender); }

void TForm1::ACT_53setSensExecute(QAction* sender) { SendWithDialog(sender); }

void TForm1::ACT_98setHwExecute(QAction* sender) { SendWithDialog(sender); }

void TForm1::ApplyFirmwareVersion(std::int32_t majorVersion)
{
    for (const CommandAvailability& availability : orvek::ApplyFirmwareVersion(majorVersion)) {
        if (QAction* action = Action(availability.number)) action->setEnabled(availability.enabled);
    }
}

// --- frames ---

void TForm1::SendFrame(std::span<const std::uint8_t> message)
{
    const SentFrame frame = BuildFrame(message, ReaderIdFromText(EDI_reader->text().toStdString()));
    if (m_serial->isOpen()) {
        const QByteArray bytes(reinterpret_cast<const char*>(frame.bytes.data()),
                               static_cast<qsizetype>(frame.bytes.size()));
        LogSentFrame(frame, m_serial->write(bytes));
    } else if (m_tcp->state() == TcpLink::State::Connected) {
        LogSentFrame(frame, m_tcp->send(QByteArray::fromStdString(EncodeEnvelope(frame.bytes))));
    }
}

void TForm1::LogSentFrame(const SentFrame& frame, bool taken)
{
    m_log->appendSent(QDateTime::currentMSecsSinceEpoch(), frame.bytes, taken);
}

void TForm1::LogReceivedFrame(const ReceivedFrame& frame)
{
    m_log->appendReceived(QDateTime::currentMSecsSinceEpoch(), frame);
    DecodeFrame(frame);
}

void TForm1::DecodeFrame(const ReceivedFrame& frame)
{
    const DecodedFrame decoded = orvek::DecodeFrame(frame.bytes);
    if (decoded.readouts) {
        AdvDataLabel1->setDataText(QString::fromStdString(decoded.readouts->temperature));
        AdvDataLabel2->setDataText(QString::fromStdString(decoded.readouts->power));
    }
    if (decoded.firmware) {
        m_firmwarePanel->setText(QString::fromStdString(decoded.firmware->panelText));
        if (decoded.firmware->majorVersion) ApplyFirmwareVersion(*decoded.firmware->majorVersion);
    }
}

void TForm1::WSocket1DataAvailable()
{
    std::vector<ReceivedFrame> accepted;
    for (qint64 read = 0; read < kReceivePerNotification && m_tcp->bytesAvailable() > 0;) {
        const QByteArray text = m_tcp->receive(kReceiveChunk);
        if (text.isEmpty()) break;
        read += text.size();
        m_tcpReceiver.Feed(std::string_view(text.constData(), static_cast<std::size_t>(text.size())), accepted);
    }
    for (const ReceivedFrame& frame : accepted) LogReceivedFrame(frame);
}

void TForm1::VaComm1RxChar(qint64 count)
{
    std::vector<std::uint8_t> bytes;
    for (qint64 read = 0; read < count && m_serial->bytesWaiting() > 0; ++read) bytes.push_back(m_serial->readChar());
    if (bytes.empty()) return;
    std::vector<ReceivedFrame> accepted;
    m_serialReceiver.Feed(bytes, accepted);
    if (m_serialReceiver.TimerShouldRun())
        TIM_outRx->start();
    else
        TIM_outRx->stop();
    for (const ReceivedFrame& frame : accepted) LogReceivedFrame(frame);
}

void TForm1::TIM_outRxTimer() { m_serialReceiver.TimeOut(); }

// --- TCP link ---

void TForm1::CHB_reteClick(bool checked)
{
    if (checked) {
        AdvIPEdit1->setEnabled(false);
        if (m_tcp->state() == TcpLink::State::Opened) return;
        CHB_comm->setEnabled(false);
        // Only a dotted IPv4 address is tried: any other text would become a name lookup.
        if (!IsIpv4Address(AdvIPEdit1->text())) {
            ShowError(QString("Indirizzo IP non valido: \"%1\"").arg(AdvIPEdit1->text()));
            return;
        }
        m_tcp->connectTo(AdvIPEdit1->text());
        return;
    }
    TIM_IPConnect->stop();
    m_tcp->close();
    CHB_comm->setEnabled(CBX_com->currentIndex() >= 0);
    AdvIPEdit1->setEnabled(true);
    ClearReadouts();
}

void TForm1::WSocket1ChangeState(TcpLink::State, TcpLink::State newState)
{
    if (newState == TcpLink::State::Connected) {
        SetAddressBackground(kAddressConnected);
        EXB_menu->setSectionExpanded(true);
        TIM_IPConnect->stop();
        m_tcpReceiver.Reset();
        Action(1)->trigger();
    } else if (newState == TcpLink::State::Closed) {
        SetAddressBackground(kAddressIdle);
        if (!TIM_IPConnect->isActive()) TIM_IPConnect->start();
    }
}

void TForm1::TIM_IPConnectTimer()
{
    if (!CHB_rete->isChecked()) {
        TIM_IPConnect->stop();
        return;
    }
    const TcpLink::State state = m_tcp->state();
    if (state == TcpLink::State::Connecting || state == TcpLink::State::Connected || state == TcpLink::State::DnsLookup)
        return;
    if (IsIpv4Address(AdvIPEdit1->text())) m_tcp->connectTo(AdvIPEdit1->text());
}

void TForm1::SetAddressBackground(const QColor& colour)
{
    QPalette palette = AdvIPEdit1->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Base, colour);
    // The field is locked while connected; its address must stay readable on the lime.
    palette.setColor(QPalette::Disabled, QPalette::Text, palette.color(QPalette::Active, QPalette::Text));
    AdvIPEdit1->setPalette(palette);
}

// --- serial link ---

void TForm1::CHB_commClick(bool checked)
{
    if (!checked) {
        CHB_rete->setEnabled(true);
        CBX_com->setEnabled(true);
        m_serial->close();
        ClearReadouts();
        return;
    }
    if (m_serial->isOpen()) return;
    const int index = CBX_com->currentIndex();
    if (index < 0 || index >= LST_com.size()) return;
    const QString& entry = LST_com[index];
    const qsizetype separator = entry.indexOf(';');
    if (separator < 0) return;
    const int number = entry.left(separator).toInt();
    if (number == 0) return;
    QString location;
    for (const ComPortInfo& port : m_ports) {
        if (port.number == number) location = port.location;
    }
    if (location.isEmpty()) return;

    CHB_rete->setEnabled(false);
    CBX_com->setEnabled(false);
    m_serialReceiver.Reset();
    TIM_outRx->stop();
    if (const std::optional<QString> error = m_serial->open(location)) {
        CBX_com->setEnabled(true);
        CHB_comm->setChecked(false);
        CHB_rete->setEnabled(true);
        ShowError(*error);
    }
}

void TForm1::CBX_comChange(int) { CHB_comm->setEnabled(CBX_com->currentIndex() >= 0); }

void TForm1::CBX_comDropDown()
{
    RebuildPortList();
    FillComCombo(LST_com);
}

void TForm1::RebuildPortList()
{
    LST_com.clear();
    m_ports.clear();
    try {
        m_ports = ListComPorts(LST_com);
    } catch (const std::exception&) {
        QApplication::beep();
    }
}

void TForm1::FillComCombo(const QStringList& list)
{
    CBX_com->clear();
    for (const QString& entry : list) {
        const qsizetype separator = entry.indexOf(';');
        if (separator >= 0) CBX_com->addItem(entry.mid(separator + 1));
    }
    CBX_com->setCurrentIndex(-1);
}

void TForm1::VaComm1Open()
{
    EXB_menu->setSectionExpanded(true);
    Action(1)->trigger();
}

void TForm1::VaComm1Close() { EXB_menu->setSectionExpanded(false); }

void TForm1::VaComm1DeviceLost(const QString& errorText)
{
    if (!m_serial->isOpen()) return;
    if (CHB_comm->isChecked())
        CHB_comm->setChecked(false);
    else
        m_serial->close();
    ShowError(errorText);
}

// --- window ---

void TForm1::Clear2Click() { m_log->clear(); }

void TForm1::ClearReadouts()
{
    AdvDataLabel1->setDataText({});
    AdvDataLabel2->setDataText({});
    m_firmwarePanel->setText({});
}

void TForm1::UpdateClock() { m_clockPanel->setText(QTime::currentTime().toString("hh:mm:ss")); }

bool TForm1::Confirm(const QString& question)
{
    QMessageBox box(QMessageBox::Warning, "Attenzione", question, QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void TForm1::ShowError(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, "Errore", text, QMessageBox::Ok, this);
    box.button(QMessageBox::Ok)->setText("OK");
    box.exec();
}

}  // namespace orvek
