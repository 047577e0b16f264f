#pragma once

#include "console/Settings.h"
#include "links/PortDiscovery.h"
#include "links/TcpLink.h"
#include "protocol/SentFrame.h"
#include "protocol/SerialReceiver.h"
#include "protocol/TcpReceiver.h"

#include <QComboBox>
#include <QLineEdit>
#include <QList>
#include <QRect>
#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

class QAction;
class QCheckBox;
class QLabel;
class QPushButton;
class QStatusBar;
class QTimer;

namespace orvek {

class CommandPanel;
class SerialLink;
class TrafficLogModel;
class TrafficLogView;

// A read-out: its caption in blue, then ":" and the data text in bold; the data text starts
// 42 px from the left edge.
class DataLabel : public QWidget {
    Q_OBJECT
public:
    explicit DataLabel(const QString& caption, QWidget* parent = nullptr);

    QString caption() const { return m_caption; }
    QString dataText() const { return m_dataText; }
    void setDataText(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_caption;
    QString m_dataText;
};

// "ID reader": digits only, at most 3; a value above 250 becomes 250 when the field loses the
// focus (text set by the program is left as it is until then).
class ReaderIdEdit : public QLineEdit {
    Q_OBJECT
public:
    static constexpr int kLargestReaderId = 250;

    explicit ReaderIdEdit(QWidget* parent = nullptr);

protected:
    void focusOutEvent(QFocusEvent* event) override;
};

// The port list: tells its owner before the list opens, so that it can be rebuilt first.
class PortComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;

    void showPopup() override;

signals:
    void dropDown();
};

// Dotted decimal IPv4 text, four numbers 0 to 255.
bool IsIpv4Address(const QString& text);

// rect moved inside desktop: back from the right and bottom edges first, then right of the
// left edge and below the top edge.
QRect ClampToDesktop(QRect rect, const QRect& desktop);

// The console's main window.
class TForm1 : public QWidget {
    Q_OBJECT
public:
    static constexpr quint16 kReaderPort = 4140;
    static constexpr QSize kDesignClientSize{1021, 761};
    static constexpr QSize kMinimumOuterSize{1030, 680};

    // tcpPort: the reader's port (tests pass a loopback peer's).
    explicit TForm1(quint16 tcpPort = kReaderPort, QWidget* parent = nullptr);
    ~TForm1() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    using CommandHandler = void (TForm1::*)(QAction*);

    struct AnchoredControl {
        QWidget* widget;
        QRect design;
        Qt::Edges anchors;
    };

    // Building the window.
    void CreateControls();
    void CreateActions();
    void CreateTimers();
    void ConnectLinks();
    void SetTabOrder();
    void Anchor(QWidget* widget, const QRect& design, Qt::Edges anchors);
    QAction* Action(int number) const;

    // Lifecycle.
    void FormCreate();
    void FormShow();
    void FormClose();
    void FormDestroy();
    void RestorePlacement();
    void StorePlacement();
    void ApplyMinimumSize();

    // Commands.
    void ACT_fwExecute(QAction* sender);
    void ACT_setClockExecute(QAction* sender);
    void ACT_setBeepExecute(QAction* sender);
    void ACT_6setIdExecute(QAction* sender);
    void ACT_10rimandaPassExecute(QAction* sender);
    void ACT_13setRidondExecute(QAction* sender);
    void ACT_14setRilascioExecute(QAction* sender);
    void ACT_16startExecute(QAction* sender);
    void ACT_18paramFCExecute(QAction* sender);
    void ACT_19modalitaExecute(QAction* sender);
    void ACT_20pcbeepExecute(QAction* sender);
    void ACT_51autostartExecute(QAction* sender);
    void ACT_53setSensExecute(QAction* sender);
    void ACT_98setHwExecute(QAction* sender);
    // Opens the sender's dialog and sends its message on OK; gives back the message sent.
    std::optional<std::vector<std::uint8_t>> SendWithDialog(QAction* sender);
    void ApplyFirmwareVersion(std::int32_t majorVersion);

    // Frames.
    void SendFrame(std::span<const std::uint8_t> message);
    void LogSentFrame(const SentFrame& frame, bool taken);
    void LogReceivedFrame(const ReceivedFrame& frame);
    void DecodeFrame(const ReceivedFrame& frame);
    void WSocket1DataAvailable();
    void VaComm1RxChar(qint64 count);
    void TIM_outRxTimer();

    // TCP link.
    void CHB_reteClick(bool checked);
    void WSocket1ChangeState(TcpLink::State oldState, TcpLink::State newState);
    void TIM_IPConnectTimer();
    void SetAddressBackground(const QColor& colour);

    // Serial link.
    void CHB_commClick(bool checked);
    void CBX_comChange(int index);
    void CBX_comDropDown();
    void FillComCombo(const QStringList& list);
    void RebuildPortList();
    void VaComm1Open();
    void VaComm1Close();
    void VaComm1DeviceLost(const QString& errorText);

    // Window.
    void Clear2Click();
    void ClearReadouts();
    void UpdateClock();
    bool Confirm(const QString& question);
    void ShowError(const QString& text);

    Settings m_settings;
    TcpLink* m_tcp;
    SerialLink* m_serial;
    TcpReceiver m_tcpReceiver;
    SerialReceiver m_serialReceiver;
    TrafficLogModel* m_log;

    QLabel* m_addressLabel = nullptr;
    QLineEdit* AdvIPEdit1 = nullptr;
    QCheckBox* CHB_rete = nullptr;
    QPushButton* Button1 = nullptr;
    DataLabel* AdvDataLabel1 = nullptr;
    DataLabel* AdvDataLabel2 = nullptr;
    QLabel* m_readerIdLabel = nullptr;
    ReaderIdEdit* EDI_reader = nullptr;
    QCheckBox* CHB_comm = nullptr;
    PortComboBox* CBX_com = nullptr;
    TrafficLogView* TRV_rx = nullptr;
    CommandPanel* EXB_menu = nullptr;
    QStatusBar* HTMLStatusBar1 = nullptr;
    QLabel* m_clockPanel = nullptr;
    QLabel* m_firmwarePanel = nullptr;
    QTimer* TIM_outRx = nullptr;
    QTimer* TIM_IPConnect = nullptr;
    QTimer* m_clockTimer = nullptr;
    QList<QAction*> m_actions;

    QStringList LST_com;
    QList<ComPortInfo> m_ports;
    std::vector<AnchoredControl> m_anchored;
    bool m_shown = false;
};

}  // namespace orvek
