#include "app/Form1.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEnterEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPalette>
#include <QScreen>
#include <QThread>

#include "app/FrameStyle.h"
#include "app/ScreenFit.h"
#include "app/SettingsStore.h"
#include "app/SkinFramework.h"
#include "app/Twips.h"
#include "core/EventHook.h"
#include "folders/PathRoutines.h"
#include "list/WorkbookListView.h"

namespace pv {

namespace {

QFont arialBold(qreal points) {
    QFont font("Arial");
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

void paintWhite(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, Qt::white);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// Where the controls of both frames begin, in twips from the frame's top.
constexpr int kFrameContentsTop = 300;

QPushButton* makeButton(QWidget* parent, const char* name, const char* caption, QRect geometry) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    button->setFont(arialBold(11.25));
    button->setMouseTracking(true);
    return button;
}

// The window's event hook: it repaints and reacts during long work of ours, but only on the
// thread that owns the event loop; a worker thread has no window to keep alive. Each call runs
// the pending events for at most this long.
constexpr int kEventsAtMostMs = 50;

void letWindowEventsThrough() {
    const auto* app = QCoreApplication::instance();
    if (app != nullptr && QThread::currentThread() == app->thread())
        QCoreApplication::processEvents(QEventLoop::AllEvents, kEventsAtMostMs);
}

// The bar shows its text exactly: QProgressBar would read "%p", "%v" and "%m" in it as the
// percentage, value and maximum, and a workbook's name may hold any of them.
class ExactTextProgressBar : public QProgressBar {
  public:
    using QProgressBar::QProgressBar;
    QString text() const override { return format(); }
};

}  // namespace

Form1::Form1(Dialogs& dialogs, SettingsStore& settings, QString applicationFolder, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      dialogs_(dialogs),
      settings_(settings),
      applicationFolder_(std::move(applicationFolder)),
      desktopFolderSource_(UserDesktopFolder),
      hostProbe_(engineCanBeCreated),
      programEnd_(endProgramNow),
      eventHook_(std::make_unique<EventHook>(letWindowEventsThrough)) {
    setObjectName("Form1");
    setWindowTitle("Form1");
    setFixedSize(twipsToPixels(8040), twipsToPixels(6540));
    setFont(arialBold(9));
    paintWhite(this);
    setMouseTracking(true);
    createControls();
    setTabOrder();
    connectHandlers();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    // Once shown, the frame is known: the frame is centred, and kept on the screen.
    keepFrameOnScreenWhenShown(*this, true);
}

Form1::~Form1() = default;

void Form1::createControls() {
    ListView1 = new WorkbookListView(this);
    ListView1->setWindow({[this] { return mousePointer_ == pointer::kHourglass; },
                          [this] { setMousePointer(pointer::kDefault); }, applicationFolder_,
                          &dialogs_, [this] { return closed_; }});
    ListView1->setGeometry(twipsRect(120, 120, 7800, 2535));
    ListView1->setFont(arialBold(9));

    ProgressBar1 = new ExactTextProgressBar(this);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setGeometry(twipsRect(120, 6010, 7800, 405));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(true);
    ProgressBar1->setAlignment(Qt::AlignCenter);
    ProgressBar1->setFormat("Progress Bar");

    Frame1 = new QGroupBox("Save Excel Files To This Folder", this);
    Frame1->setObjectName("Frame1");
    Frame1->setGeometry(twipsRect(120, 3720, 7800, 825));
    paintWhite(Frame1);
    Frame1->setMouseTracking(true);

    Text3 = new QLineEdit("Text3", Frame1);
    Text3->setObjectName("Text3");
    Text3->setGeometry(twipsRect(240, kFrameContentsTop, 6520, 345));

    PushButton3 =
        makeButton(Frame1, "PushButton3", "...", twipsRect(6855, kFrameContentsTop, 690, 345));

    Frame2 = new QGroupBox("Save Options", this);
    Frame2->setObjectName("Frame2");
    Frame2->setGeometry(twipsRect(120, 4590, 7800, 800));
    paintWhite(Frame2);
    Frame2->setMouseTracking(true);

    Combo1 = new QComboBox(Frame2);
    Combo1->setObjectName("Combo1");
    Combo1->setEditable(false);
    Combo1->setGeometry(twipsRect(240, kFrameContentsTop, 7305, 345));

    // Made after the frames, so it outlives them (children go in the order they came).
    auto* frameStyle = new FrameStyle(twipsToPixels(kFrameContentsTop));
    frameStyle->setParent(this);
    Frame1->setStyle(frameStyle);
    Frame2->setStyle(frameStyle);

    PushButton1 =
        makeButton(this, "PushButton1", "Add Excel File(s)", twipsRect(120, 2750, 3840, 405));
    PushButton4 = makeButton(this, "PushButton4", "Add All Excel Files In Folder",
                             twipsRect(4080, 2750, 3840, 405));
    PushButton2 = makeButton(this, "PushButton2", "Start Saving", twipsRect(120, 5490, 7800, 405));
    PushButton5 = makeButton(this, "PushButton5", "Clear List", twipsRect(120, 3260, 3840, 405));
    PushButton6 = makeButton(this, "PushButton6", "Load Sample/Example Files",
                             twipsRect(4080, 3260, 3840, 405));

    SkinFramework1 = new SkinFramework(this);
    SkinFramework1->setObjectName("SkinFramework1");
}

void Form1::setTabOrder() {
    const QWidget* order[] = {ListView1,   ProgressBar1, Frame1,      Text3,
                              PushButton3, Frame2,       Combo1,      PushButton1,
                              PushButton4, PushButton2,  PushButton5, PushButton6};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(const_cast<QWidget*>(order[i]), const_cast<QWidget*>(order[i + 1]));
}

void Form1::connectHandlers() {
    connect(PushButton1, &QPushButton::clicked, this, &Form1::PushButton1_Click);
    connect(PushButton2, &QPushButton::clicked, this, &Form1::PushButton2_Click);
    connect(PushButton3, &QPushButton::clicked, this, &Form1::PushButton3_Click);
    connect(PushButton4, &QPushButton::clicked, this, &Form1::PushButton4_Click);
    connect(PushButton5, &QPushButton::clicked, this, &Form1::PushButton5_Click);
    connect(PushButton6, &QPushButton::clicked, this, &Form1::PushButton6_Click);
    connect(Text3, &QLineEdit::textChanged, this, [this] { runUserChange(&Form1::Text3_Change); });
    connect(Combo1, &QComboBox::currentTextChanged, this,
            [this] { runUserChange(&Form1::Combo1_Click); });
    connect(Combo1, &QComboBox::activated, this, [this] { runUserChange(&Form1::Combo1_Click); });

    for (QWidget* hovered : {static_cast<QWidget*>(this), static_cast<QWidget*>(Frame1),
                             static_cast<QWidget*>(Frame2)})
        hovered->installEventFilter(this);
    for (int number = 1; number <= 6; ++number)
        button(number)->installEventFilter(this);
}

QPushButton* Form1::button(int number) const {
    switch (number) {
        case 1:
            return PushButton1;
        case 2:
            return PushButton2;
        case 3:
            return PushButton3;
        case 4:
            return PushButton4;
        case 5:
            return PushButton5;
        case 6:
            return PushButton6;
        default:
            return nullptr;
    }
}

void Form1::setDesktopFolderSource(std::function<QString()> source) {
    desktopFolderSource_ = std::move(source);
}

void Form1::setMousePointer(int value) {
    mousePointer_ = value;
    switch (value) {
        case pointer::kHourglass:
            setCursor(Qt::WaitCursor);
            break;
        case pointer::kCustom:
            setCursor(mouseIcon_ ? *mouseIcon_ : QCursor(Qt::PointingHandCursor));
            break;
        case pointer::kArrow:
            setCursor(Qt::ArrowCursor);
            break;
        default:
            unsetCursor();
            break;
    }
}

void Form1::hoverButton() {
    if (mousePointer_ != pointer::kHourglass)
        setMousePointer(pointer::kCustom);
}

void Form1::hoverBackground() {
    if (mousePointer_ != pointer::kHourglass)
        setMousePointer(pointer::kDefault);
}

// A move over a control that ignores it reaches its parent too; only the bare window or frame
// counts as the background.
bool Form1::isBackgroundUnder(QWidget* widget, const QPoint& position) const {
    const QWidget* child = widget->childAt(position);
    return child == nullptr || child == Frame1 || child == Frame2;
}

void Form1::closeEvent(QCloseEvent* event) {
    closed_ = true;
    QWidget::closeEvent(event);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    const bool moved = event->type() == QEvent::MouseMove || event->type() == QEvent::Enter;
    if (!moved)
        return QWidget::eventFilter(watched, event);
    auto* widget = static_cast<QWidget*>(watched);
    if (qobject_cast<QPushButton*>(widget)) {
        hoverButton();
    } else {
        const QPoint position = event->type() == QEvent::MouseMove
                                    ? static_cast<QMouseEvent*>(event)->position().toPoint()
                                    : static_cast<QEnterEvent*>(event)->position().toPoint();
        if (isBackgroundUnder(widget, position))
            hoverBackground();
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace pv
