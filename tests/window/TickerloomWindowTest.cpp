// The window `Tickerloom` on the real Qt widgets (offscreen platform): what
// only the toolkit shows. Layout, fonts, colours, focus and tab order, keys,
// the wait cursor, the clipboard, ticks during modal loops, the real boxes.
// The window's own logic is tested once, on the in-memory toolkit.
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QGroupBox>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTimer>
#include <QtTest>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/icon/ProgramIcon.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/qt/QtDesktop.h"
#include "support/ExpectedLayout.h"
#include "support/TempFolder.h"
#include "support/WindowFakes.h"
#include "window/Tickerloom.h"

using namespace tickerloom;
using tickerloom::testing::CountingHook;
using tickerloom::testing::FixedCodePage;
using tickerloom::testing::FixedProcess;
using tickerloom::testing::RecordingBoxes;
using tickerloom::testing::RecordingOpener;
using tickerloom::testing::TempFolder;

namespace {

// For what a busy machine may take its time over.
constexpr int kPatienceMs = 60000;

// Answers the next message box with `button` once it is open and `ready`
// holds, after `inspect` has seen it. A box still open at the deadline is
// closed, so that a test fails instead of hanging; Answered() tells.
class NextBox {
 public:
  NextBox(QMessageBox::StandardButton button, std::function<void(QMessageBox*)> inspect = {},
          std::function<bool()> ready = {}) {
    QObject::connect(&poll_, &QTimer::timeout, [this, button, inspect, ready] {
      QWidget* modal = QApplication::activeModalWidget();
      auto* box = qobject_cast<QMessageBox*>(modal);
      if (box != nullptr && (!ready || ready())) {
        poll_.stop();
        if (inspect) inspect(box);
        answered_ = true;
        box->button(button)->click();
      } else if (deadline_.hasExpired(kPatienceMs)) {
        poll_.stop();
        if (modal != nullptr) modal->close();
      }
    });
    deadline_.start();
    poll_.start(10);
  }
  bool Answered() const { return answered_; }

 private:
  QTimer poll_;
  QElapsedTimer deadline_;
  bool answered_ = false;
};

const std::map<platform::ControlKind, const char*> kClassOf = {
    {platform::ControlKind::kTextBox, "QLineEdit"},
    {platform::ControlKind::kCommandButton, "QPushButton"},
    {platform::ControlKind::kLabel, "QLabel"},
    {platform::ControlKind::kFrame, "QGroupBox"},
};

}  // namespace

class TickerloomWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TempFolder> folder_;
  platform::qt::QtWindowToolkit toolkit_;
  platform::PosixFileSystem files_;
  RecordingBoxes boxes_;
  platform::qt::QtClipboard clipboard_;
  RecordingOpener opener_;
  FixedProcess process_;
  FixedCodePage code_page_;
  CountingHook hook_;
  std::unique_ptr<window::Tickerloom> window_;

  void Open(platform::MessageBoxes* boxes = nullptr) {
    window_ = std::make_unique<window::Tickerloom>(
        window::Services{toolkit_, files_, boxes ? *boxes : boxes_, clipboard_, opener_, process_,
                         code_page_, &hook_});
    window_->Open();
    Top()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Top()));
  }
  QWidget* Top() { return QWidget::find(static_cast<WId>(window_->Window().Handle())); }
  template <typename T = QWidget>
  T* Find(const char* name) {
    T* widget = Top()->findChild<T*>(QString::fromLatin1(name));
    if (widget == nullptr) qFatal("no control %s", name);
    return widget;
  }
  QLineEdit* Edit(const char* name) { return Find<QLineEdit>(name); }
  QString Caption(const char* name) { return Find<QLabel>(name)->text(); }
  void Click(const char* name) { QTest::mouseClick(Find<QPushButton>(name), Qt::LeftButton); }
  // Types into a field as the user would: click, select all, type.
  void Type(const char* name, const QString& text) {
    QLineEdit* edit = Edit(name);
    edit->setFocus();
    edit->selectAll();
    TypeMore(edit, text);
  }
  // Key presses carrying any characters, beyond what keyClicks can send.
  static void TypeMore(QWidget* widget, const QString& text) {
    for (QChar character : text) {
      QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(character),
                          Qt::NoModifier);
    }
  }
  QStringList FolderEntries() const { return QDir(QDir::currentPath()).entryList(QDir::Files); }

 private slots:
  void init() {
    folder_ = std::make_unique<TempFolder>();
    boxes_ = RecordingBoxes();
    opener_ = RecordingOpener();
    hook_ = CountingHook();
    Open();
  }
  void cleanup() {
    window_.reset();
    folder_.reset();
  }

  void initialStateAndFocus() {
    QCOMPARE(Top()->windowTitle(), QStringLiteral("Zeltrin's Tickerloom"));
    QCOMPARE(Top()->size(), QSize(264, 113));
    QCOMPARE(QApplication::focusWidget(), Edit("ScriptText"));
    // The icon holds the two 32 x 32 images.
    QVERIFY(Top()->windowIcon().availableSizes().contains(QSize(32, 32)));
  }

  void everyControlAtItsPlace() {
    for (const testing::ExpectedControl& row : testing::kExpectedLayout) {
      QWidget* widget = Find(row.name);
      QVERIFY2(widget->inherits(kClassOf.at(row.kind)), row.name);
      QCOMPARE(widget->geometry(), QRect(row.left, row.top, row.width, row.height));
      QCOMPARE(widget->toolTip(), QString::fromUtf8(row.tool_tip));
      QString caption;
      if (auto* edit = qobject_cast<QLineEdit*>(widget)) caption = edit->text();
      if (auto* label = qobject_cast<QLabel*>(widget)) caption = label->text();
      if (auto* button = qobject_cast<QPushButton*>(widget)) caption = button->text();
      if (auto* frame = qobject_cast<QGroupBox*>(widget)) caption = frame->title();
      QCOMPARE(caption, QString::fromUtf8(row.caption));
      QVERIFY2(widget->isVisible(), row.name);
    }
    QCOMPARE(Find("ScriptTotalFileLbl")->parentWidget(), Find("ScriptTotalFile"));
    // Label2's bottom edge is the client area's bottom edge.
    QCOMPARE(Find("Label2")->geometry().bottom() + 1, Top()->height());
  }

  void controlSettings() {
    QLineEdit* bind = Edit("ScriptBind");
    QCOMPARE(bind->maxLength(), 1);
    QVERIFY(bind->alignment() & Qt::AlignHCenter);
    QCOMPARE(bind->palette().color(QPalette::Base), QColor(200, 200, 200));
    QVERIFY(Edit("ScriptText")->palette().color(QPalette::Base) != QColor(200, 200, 200));
    QCOMPARE(Edit("ScriptText")->maxLength(), std::numeric_limits<int>::max());

    auto* label2 = Find<QLabel>("Label2");
    QCOMPARE(label2->font().family(), QStringLiteral("Tahoma"));
    QCOMPARE(label2->font().pointSizeF(), 9.75);
    QCOMPARE(label2->font().weight(), QFont::Bold);
    QVERIFY(!label2->font().italic() && !label2->font().underline() && !label2->font().strikeOut());
    QCOMPARE(label2->cursor().shape(), Qt::CrossCursor);
    QVERIFY(label2->alignment() & Qt::AlignHCenter);
    QVERIFY(Find<QLabel>("ScriptTotalFileLbl")->alignment() & Qt::AlignHCenter);
    // Every other control keeps the window's default font.
    QCOMPARE(Find("ScriptMake")->font(), Top()->font());

    // Screen readers: text boxes are named by their tool-tips, the counters
    // by their value, and described by their tool-tips.
    for (const char* name : {"ScriptText", "ScriptLine", "ScriptName", "ScriptBind"}) {
      QCOMPARE(Edit(name)->accessibleName(), Edit(name)->toolTip());
    }
    for (const char* name : {"ScriptLength", "ScriptTotalFileLbl"}) {
      QCOMPARE(Find(name)->accessibleName(), QString());
      QCOMPARE(Find(name)->accessibleDescription(), Find(name)->toolTip());
    }
    for (auto* button : Top()->findChildren<QPushButton*>()) {
      QVERIFY(!button->isDefault() && !button->autoDefault());
    }
  }

  // Every caption fits its control in the window's font (DejaVu Sans here).
  void everyCaptionFits() {
    QStyle* style = Top()->style();
    for (auto* button : Top()->findChildren<QPushButton*>()) {
      QStyleOptionButton option;
      option.initFrom(button);
      option.text = button->text();
      const QRect room = style->subElementRect(QStyle::SE_PushButtonContents, &option, button);
      const QFontMetrics metrics(button->font());
      QVERIFY2(metrics.horizontalAdvance(button->text()) <= room.width(),
               qPrintable(button->text()));
      QVERIFY2(metrics.height() <= room.height() + 2, qPrintable(button->text()));
    }
    for (auto* label : Top()->findChildren<QLabel*>()) {
      const QFontMetrics metrics(label->font());
      QVERIFY2(metrics.horizontalAdvance(label->text()) <= label->width(),
               qPrintable(label->text()));
      QVERIFY2(metrics.height() <= label->height(), qPrintable(label->text()));
    }
    auto* frame = Find<QGroupBox>("ScriptTotalFile");
    QStyleOptionGroupBox option;
    option.initFrom(frame);
    option.text = frame->title();
    option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
    const QRect title =
        style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, frame);
    QVERIFY(QFontMetrics(frame->font()).horizontalAdvance(frame->title()) <= title.width());
    QVERIFY(title.right() < frame->width());
    QVERIFY(Find("ScriptTotalFileLbl")->geometry().top() >= title.bottom());
    // The chosen family is really the one drawn.
    QCOMPARE(QFontInfo(Top()->font()).family(), QStringLiteral("DejaVu Sans"));
  }

  void tabOrder() {
    QCOMPARE(QApplication::focusWidget()->objectName(), testing::kTabOrder[0]);
    for (const char* next :
         std::vector(std::begin(testing::kTabOrder) + 1, std::end(testing::kTabOrder))) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget()->objectName(), next);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Command1"));
  }

  void enterAndEscapeClickNothing() {
    // With inputs that Make would accept, any click on Make would write files.
    Type("ScriptText", "Hello");
    Type("ScriptName", "quiet");
    for (const char* name : {"ScriptText", "ScriptLine", "ScriptName", "ScriptBind"}) {
      Edit(name)->setFocus();
      QTest::keyClick(Edit(name), Qt::Key_Return);
      QTest::keyClick(Edit(name), Qt::Key_Enter);
      QTest::keyClick(Edit(name), Qt::Key_Escape);
    }
    QTest::keyClick(Top(), Qt::Key_Escape);
    QVERIFY(boxes_.shown.empty());
    QCOMPARE(FolderEntries(), QStringList());
    QCOMPARE(Caption("ScriptTotalFileLbl"), QString());
    QVERIFY(Top()->isVisible());
  }

  void keyBoxHoldsOneCharacter() {
    QLineEdit* bind = Edit("ScriptBind");
    bind->setFocus();
    bind->end(false);
    QTest::keyClick(bind, Qt::Key_5);
    QCOMPARE(bind->text(), QStringLiteral("2"));
    bind->selectAll();
    QTest::keyClick(bind, Qt::Key_7);
    QCOMPARE(bind->text(), QStringLiteral("7"));
  }

  // Typing, deleting and pasting each report the change; characters beyond
  // the BMP and text far beyond Qt's usual limit reach the window whole.
  void lengthCounterFollowsEveryChange() {
    QLineEdit* text = Edit("ScriptText");
    text->setFocus();
    QTest::keyClicks(text, "abc");
    QCOMPARE(Caption("ScriptLength"), QStringLiteral("3"));
    QTest::keyClick(text, Qt::Key_Backspace);
    QCOMPARE(Caption("ScriptLength"), QStringLiteral("2"));
    QApplication::clipboard()->setText(QStringLiteral("xyz"));
    QTest::keyClick(text, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(text->text(), QStringLiteral("abxyz"));
    QCOMPARE(Caption("ScriptLength"), QStringLiteral("5"));
    TypeMore(text, QString::fromUtf8("\xC3\xA9"));  // é: one character, two bytes
    QCOMPARE(Caption("ScriptLength"), QStringLiteral("6"));
    // A character outside the BMP is one code point (two UTF-16 units).
    window_->Window().SetText("ScriptText", "a\xF0\x9F\x98\x80");
    QCOMPARE(text->text(), QString::fromUtf8("a\xF0\x9F\x98\x80"));
    QCOMPARE(Caption("ScriptLength"), QStringLiteral("2"));
    QApplication::clipboard()->setText(QString(100000, QChar('x')));
    text->selectAll();
    QTest::keyClick(text, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(text->text().size(), 100000);
    QCOMPARE(Caption("ScriptLength"), QStringLiteral("100000"));
  }

  void clipboardHoldsWhatItIsGiven() {
    clipboard_.SetText("a\xC3\xA9z\r\nline two");
    QCOMPARE(QApplication::clipboard()->text(), QString::fromUtf8("a\xC3\xA9z\r\nline two"));
    QCOMPARE(clipboard_.Text(), std::string("a\xC3\xA9z\r\nline two"));
    clipboard_.Clear();
    QCOMPARE(clipboard_.Text(), std::string());
  }

  void websiteLabelOpensTheAddress() {
    QTest::mouseClick(Find("Label2"), Qt::LeftButton);
    QCOMPARE(opener_.addresses, std::vector<std::string>{"https://www.zeltrin.example.com/"});
    QCOMPARE(opener_.owners.front(), static_cast<platform::NativeWindowHandle>(Top()->winId()));
  }

  void resizeMovesNothing() {
    std::vector<QRect> before;
    const QList<QWidget*> found = Top()->findChildren<QWidget*>();
    const std::vector<QWidget*> widgets(found.begin(), found.end());
    for (QWidget* widget : widgets) before.push_back(widget->geometry());
    for (QSize size : {QSize(600, 400), QSize(100, 50)}) {
      Top()->resize(size);
      QTRY_COMPARE(Top()->size(), size);
      for (std::size_t i = 0; i < widgets.size(); ++i) QCOMPARE(widgets[i]->geometry(), before[i]);
    }
    Top()->showMaximized();
    QApplication::processEvents();
    for (std::size_t i = 0; i < widgets.size(); ++i) QCOMPARE(widgets[i]->geometry(), before[i]);
  }

  void timersTickAndSwitch() {
    auto* timer1 = Top()->findChild<QTimer*>("Timer1");
    auto* timer2 = Top()->findChild<QTimer*>("Timer2");
    QCOMPARE(timer1->interval(), 500);
    QCOMPARE(timer2->interval(), 1000);
    QVERIFY(timer1->isActive() && timer2->isActive());
    QTRY_VERIFY_WITH_TIMEOUT(hook_.timer1 >= 2 && hook_.timer2 >= 1, kPatienceMs);
    window_->SwitchTimer2Off();
    QVERIFY(!timer2->isActive());
    const int timer2_ticks = hook_.timer2;
    window_->SwitchTimer1On();  // already on: stays on
    QVERIFY(timer1->isActive());
    const int timer1_ticks = hook_.timer1;
    QTRY_VERIFY_WITH_TIMEOUT(hook_.timer1 > timer1_ticks + 1, kPatienceMs);
    QCOMPARE(hook_.timer2, timer2_ticks);
  }

  // The toolkit delivers the ticks while a modal box runs its loop: a
  // message box, and a progress box while it is updated.
  void ticksArriveWhileABoxIsOpen() {
    testing::RecordingEvents events;
    const auto window = toolkit_.OpenWindow(testing::OneTimerLayout(10), events);
    const NextBox next(QMessageBox::Ok, {}, [&] { return events.ticks > 0; });
    platform::qt::QtMessageBoxes().Show(platform::Message{"ticks meanwhile"});
    QVERIFY(next.Answered());
    const int before = events.ticks;
    auto box = toolkit_.OpenProgressBox("Update", "Downloading The New Version");
    QElapsedTimer deadline;
    deadline.start();
    while (events.ticks == before && !deadline.hasExpired(kPatienceMs)) {
      QVERIFY(box->Update(0, std::nullopt));
    }
    QVERIFY(events.ticks > before);
  }

  // The window's boxes are real QMessageBoxes: title, text, no icon, OK only.
  void realMessageBox() {
    platform::qt::QtMessageBoxes real_boxes;
    Open(&real_boxes);
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::Warning;
    QList<QAbstractButton*> buttons;
    const NextBox next(QMessageBox::Ok, [&](QMessageBox* box) {
      title = box->windowTitle();
      text = box->text();
      icon = box->icon();
      buttons = box->buttons();
    });
    Click("HlpScriptLine");
    QVERIFY(next.Answered());
    QCOMPARE(title, QStringLiteral("Tickerloom"));
    // CR LF shown as a line break.
    QVERIFY2(text.startsWith("Example:\n\nIf Script Text") && !text.contains('\r'),
             qPrintable(text));
    QCOMPARE(icon, QMessageBox::NoIcon);
    QCOMPARE(buttons.size(), 1);
  }

  // The Qt box itself, opened by the window as the update does: title,
  // prompt, the bar and the bytes, Cancel; modal, under the wait cursor.
  void progressBoxShowsTheFiguresAndCancels() {
    const QLocale locale;
    auto box = window_->Progress().OpenProgressBox("Update", "Downloading The New Version");
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    QVERIFY(dialog != nullptr);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Update"));
    QCOMPARE(dialog->windowModality(), Qt::ApplicationModal);
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    const QList<QLabel*> labels = dialog->findChildren<QLabel*>();
    QCOMPARE(labels.size(), 2);
    QCOMPARE(labels[0]->text(), QStringLiteral("Downloading The New Version"));
    auto* bar = dialog->findChild<QProgressBar*>();
    // Length unknown: a busy bar and the bytes alone; known: the percentage too.
    QVERIFY(box->Update(123456, std::nullopt));
    QCOMPARE(bar->maximum(), 0);
    QCOMPARE(labels[1]->text(), locale.toString(123456) + QStringLiteral(" bytes"));
    QVERIFY(box->Update(250000, 1000000));
    QCOMPARE(bar->text(), QStringLiteral("25%"));
    QCOMPARE(labels[1]->text(), locale.toString(250000) + QStringLiteral(" of ") +
                                    locale.toString(1000000) + QStringLiteral(" bytes"));
    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
    QVERIFY(!box->Update(250000, 1000000));
    box.reset();
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
  }

  void realYesNoBox() {
    platform::qt::QtMessageBoxes real_boxes;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool yes_is_default = false;
    const NextBox next(QMessageBox::No, [&](QMessageBox* box) {
      icon = box->icon();
      yes_is_default = box->defaultButton() == box->button(QMessageBox::Yes);
    });
    platform::Message message;
    message.prompt = "A Newer Version Is Available\r\nDo You Want To Download It Now?";
    message.title = "Update";
    message.buttons = platform::MessageButtons::kYesNo;
    message.icon = platform::MessageIcon::kInformation;
    QVERIFY(real_boxes.Show(message) == platform::MessageAnswer::kNo);
    QVERIFY(next.Answered());
    QCOMPARE(icon, QMessageBox::Information);
    QVERIFY(yes_is_default);
  }

  void iconFileHoldsBothImages() {
    QImageReader reader(QString::fromUtf8(TICKERLOOM_ICON_PATH), "ico");
    QCOMPARE(reader.imageCount(), 2);
    for (int index = 0; index < 2; ++index) {
      QVERIFY(reader.jumpToImage(index));
      const QImage image = reader.read();
      QCOMPARE(image.size(), QSize(32, 32));
      QVERIFY(image.hasAlphaChannel());
      // The pixels the window shows are those of the icon file.
      const platform::IconImage& shown = platform::ProgramIconImages()[index];
      const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
      for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
          const QRgb file_pixel = argb.pixel(x, y);
          const std::uint32_t pixel = shown.argb[static_cast<std::size_t>(y * 32 + x)];
          QCOMPARE(qAlpha(file_pixel) == 0, (pixel >> 24) == 0);
          if (qAlpha(file_pixel) != 0) QCOMPARE(file_pixel, static_cast<QRgb>(pixel));
        }
      }
    }
  }
};

QTEST_MAIN(TickerloomWindowTest)
#include "TickerloomWindowTest.moc"
