// The window `Tickerloom` on the real Qt widgets (offscreen platform): layout,
// focus, the counter, copy and clear, help texts, the Make command, timers.
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QEventLoop>
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
#include <QThread>
#include <QTimer>
#include <QtTest>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/icon/ProgramIcon.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/qt/QtDesktop.h"
#include "support/TempFolder.h"
#include "support/WindowFakes.h"
#include "window/Tickerloom.h"

using namespace tickerloom;
using tickerloom::testing::CountingHook;
using tickerloom::testing::FixedCodePage;
using tickerloom::testing::FixedProcess;
using tickerloom::testing::ForgetfulClipboard;
using tickerloom::testing::PathExists;
using tickerloom::testing::ReadBytes;
using tickerloom::testing::RecordingBoxes;
using tickerloom::testing::RecordingOpener;
using tickerloom::testing::TempFolder;
using tickerloom::testing::WatchedFiles;

namespace {

struct Expected {
  const char* name;
  const char* kind;
  const char* caption;
  QRect pixels;  // relative to the parent
  const char* tool_tip;
};

// The layout in pixels at 96 dpi (twips / 15).
const std::vector<Expected> kLayout = {
    {"ScriptText", "QLineEdit", "", {40, 8, 137, 19}, "Script Text"},
    {"ScriptMake", "QPushButton", "Make", {184, 32, 73, 19}, "Generate Script"},
    {"ScriptLine", "QLineEdit", "1", {112, 64, 65, 19}, "Line Size"},
    {"ScriptLength", "QLabel", "", {40, 32, 137, 19}, "Length Of The Text You Typed In"},
    {"ScriptName", "QLineEdit", "", {184, 8, 73, 19}, "Script Name"},
    {"ScriptBind", "QLineEdit", "2", {16, 32, 17, 19}, "Bind To Key"},
    {"Label1", "QLabel", "F", {8, 35, 9, 17}, ""},
    {"ScriptTotalFile", "QGroupBox", "Total Files", {8, 56, 65, 33}, ""},
    {"ScriptAbout",
     "QPushButton",
     "Help + About",
     {184, 64, 73, 19},
     "Program Help And About The Author"},
    {"ScriptTotalFileLbl",
     "QLabel",
     "",
     {8, 16, 49, 17},
     "Number Of Files Generated For Last Script"},
    {"HlpScriptLine", "QPushButton", "?->", {80, 64, 27, 19}, "Line Size Help"},
    {"Command1",
     "QPushButton",
     "Cut",
     {8, 8, 25, 17},
     "Copy Script Text To Clipboard And Clear The Text Box"},
    {"Label2", "QLabel", "WWW.ZELTRIN.EXAMPLE.COM", {8, 96, 249, 17}, "Visit The Authors Website"},
};

const QString kLineSizeHelp = QStringLiteral(
    "Example:\r\n"
    "\r\n"
    "If Script Text = This Is A Sample Script\r\n"
    "and Line Size = 10\r\n"
    "then your character in nox will say 10 letters at a time\r\n"
    "\r\n"
    "The first thing it will say is = This Is A \r\n"
    "\r\n"
    "it keeps moving one character to the right until it's done.");

const QString kHelpAndAbout = QStringLiteral(
    "- Put this program in the same directory you installed the game to and the startup file for "
    "scripts (autoexec.rul)\r\n"
    "will be updated too.\r\n"
    "\r\n"
    "- Enter The Required information\r\n"
    "(To see what information to put in a specific text box just hold your cursor over it and "
    "watch the tooltip.)\r\n"
    "\r\n"
    "- If you have entered the needed data just click the Make button and the whole script will "
    "be made.\r\n"
    "\r\n"
    "- If you spot any bugs in my program, please send me an email with exactly what you put in "
    "and a screenshot of the error if possible\r\n"
    "\r\n"
    "\r\n"
    "Zeltrin's Tickerloom Version 1.1\r\n"
    "\r\n"
    "https://www.zeltrin.example.com/");

const QString kSizeMessage = QStringLiteral(
    "Total Amount Of Text Should Be Bigger Than Line Size\r\nAnd Line Size Should be Above 0");
const QString kKeyMessage =
    QStringLiteral("Enter A Number Between 2 And 8 In The 'Bind To Key' Box");
const QString kNameSplitMessage =
    QStringLiteral("The Script Name Cannot Contain Spaces Or Double Quotes");
const QString kNameLengthMessage = QStringLiteral("The Script Name Is Too Long For The Game");
const QString kNameLettersMessage =
    QStringLiteral("The Script Name Contains Letters The Game Cannot Open");
const QString kLineSizeMessage = QStringLiteral("The Line Size Can Be 250 At Most For The Game");
const QString kWordsMessage = QStringLiteral("A Line Of The Text Has Too Many Words For The Game");

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

}  // namespace

class TickerloomWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TempFolder> folder_;
  platform::qt::QtWindowToolkit toolkit_;
  platform::PosixFileSystem native_files_;
  WatchedFiles files_{native_files_, [] {
                        const QCursor* cursor = QApplication::overrideCursor();
                        return cursor != nullptr && cursor->shape() == Qt::WaitCursor;
                      }};
  RecordingBoxes boxes_;
  platform::qt::QtClipboard clipboard_;
  RecordingOpener opener_;
  FixedProcess process_;
  FixedCodePage code_page_;
  CountingHook hook_;
  std::unique_ptr<window::Tickerloom> window_;

  void Open(platform::MessageBoxes* boxes = nullptr, platform::Clipboard* clipboard = nullptr) {
    window_ = std::make_unique<window::Tickerloom>(window::Services{
        toolkit_, files_, boxes ? *boxes : boxes_, clipboard ? *clipboard : clipboard_, opener_,
        process_, code_page_, &hook_});
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
    if (text.isEmpty()) QTest::keyClick(edit, Qt::Key_Delete);
    TypeMore(edit, text);
  }
  // Key presses carrying any characters, beyond what keyClicks can send.
  static void TypeMore(QWidget* widget, const QString& text) {
    for (QChar character : text) {
      QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(character),
                          Qt::NoModifier);
    }
  }
  QStringList Prompts() const {
    QStringList prompts;
    for (const auto& message : boxes_.shown) prompts << QString::fromStdString(message.prompt);
    return prompts;
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
    QCOMPARE(Edit("ScriptText")->text(), QString());
    QCOMPARE(Edit("ScriptLine")->text(), QStringLiteral("1"));
    QCOMPARE(Edit("ScriptName")->text(), QString());
    QCOMPARE(Edit("ScriptBind")->text(), QStringLiteral("2"));
    QCOMPARE(Caption("ScriptLength"), QString());
    QCOMPARE(Caption("ScriptTotalFileLbl"), QString());
    QCOMPARE(QApplication::focusWidget(), Edit("ScriptText"));
    // Form_Load ran once, with AppFolder already set.
    QCOMPARE(hook_.loads, 1);
    QCOMPARE(hook_.folder_at_load, std::string("/opt/nox/"));
    QCOMPARE(window_->AppFolder(), std::string("/opt/nox/"));
    QVERIFY(boxes_.shown.empty());
    // The icon holds the two 32 x 32 images.
    QVERIFY(Top()->windowIcon().availableSizes().contains(QSize(32, 32)));
  }

  void everyControlAtItsPlace() {
    for (const Expected& row : kLayout) {
      QWidget* widget = Find(row.name);
      QVERIFY2(widget->inherits(row.kind), row.name);
      QCOMPARE(widget->geometry(), row.pixels);
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
    const QStringList order = {"ScriptText",    "ScriptMake", "ScriptLine",
                               "ScriptName",    "ScriptBind", "ScriptAbout",
                               "HlpScriptLine", "Command1",   "ScriptText"};
    QCOMPARE(QApplication::focusWidget()->objectName(), order.front());
    for (int step = 1; step < order.size(); ++step) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget()->objectName(), order[step]);
      if (step == 4) QCOMPARE(QApplication::focusWidget(), Edit("ScriptBind"));
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
    text->setText(QString::fromUtf8("a\xF0\x9F\x98\x80"));
    QCOMPARE(Caption("ScriptLength"), QStringLiteral("2"));
    text->setText(QString(250, QChar(' ')));
    QCOMPARE(Caption("ScriptLength"), QStringLiteral("250"));
    // No limit of the toolkit's own: a pasted text of 100,000 characters is kept whole.
    QApplication::clipboard()->setText(QString(100000, QChar('x')));
    text->selectAll();
    QTest::keyClick(text, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(text->text().size(), 100000);
    QCOMPARE(Caption("ScriptLength"), QStringLiteral("100000"));
    Click("Command1");
    QCOMPARE(Caption("ScriptLength"), QStringLiteral("0"));
  }

  void makeChecks_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("message");
    const QString some = QStringLiteral("Enter Some Text");
    const QString file = QStringLiteral("Enter A File Name");
    QTest::newRow("empty text, all wrong") << ""
                                           << "0"
                                           << ""
                                           << "x" << some;
    QTest::newRow("empty text, rest fine") << ""
                                           << "1"
                                           << "n"
                                           << "2" << some;
    QTest::newRow("line size = length passes") << "abcde"
                                               << "5"
                                               << ""
                                               << "2" << file;
    QTest::newRow("line size > length") << "abcde"
                                        << "6"
                                        << "n"
                                        << "2" << kSizeMessage;
    QTest::newRow("line size empty") << "abc"
                                     << ""
                                     << "n"
                                     << "2" << kSizeMessage;
    QTest::newRow("line size 0") << "abc"
                                 << "0"
                                 << "n"
                                 << "2" << kSizeMessage;
    QTest::newRow("line size negative") << "abc"
                                        << "-1"
                                        << "n"
                                        << "2" << kSizeMessage;
    QTest::newRow("line size not a number") << "abc"
                                            << "x1"
                                            << "n"
                                            << "2" << kSizeMessage;
    QTest::newRow("line size 3letters is 3") << "abcd"
                                             << "3letters"
                                             << ""
                                             << "2" << file;
    QTest::newRow("blank text counts") << "   "
                                       << "3"
                                       << ""
                                       << "2" << file;
    QTest::newRow("size before name") << "ab"
                                      << "3"
                                      << ""
                                      << "x" << kSizeMessage;
    QTest::newRow("name before key") << "ab"
                                     << "1"
                                     << ""
                                     << "9" << file;
    QTest::newRow("blank name passes") << "ab"
                                       << "1"
                                       << " "
                                       << "x" << kKeyMessage;
    for (const char* key : {"1", "9", "0", "", "F", "-"}) {
      QTest::newRow(qPrintable(QStringLiteral("key '%1'").arg(key))) << "ab"
                                                                     << "1"
                                                                     << "n" << key << kKeyMessage;
    }
    QTest::newRow("key before name's blank") << "ab"
                                             << "1"
                                             << "my name"
                                             << "x" << kKeyMessage;
    QTest::newRow("blank in name") << "ab"
                                   << "1"
                                   << "my name"
                                   << "2" << kNameSplitMessage;
    QTest::newRow("blank name") << "ab"
                                << "1"
                                << " "
                                << "2" << kNameSplitMessage;
    QTest::newRow("quote in name") << "ab"
                                   << "1"
                                   << "a\"b"
                                   << "2" << kNameSplitMessage;
    // "<17 n>-10.rul" has 24 characters, one more than the key's slot takes.
    QTest::newRow("name too long for 10 files")
        << "abcdefghij"
        << "2.5" << QString(17, 'n') << "2" << kNameLengthMessage;
    QTest::newRow("blank before length") << "abcdefghij"
                                         << "1" << QString(30, ' ') << "2" << kNameSplitMessage;
    // The system's code page here is Windows-1252.
    QTest::newRow("letters the game cannot open")
        << "ab"
        << "1" << QString::fromUtf8("\xD0\xBC\xD0\xB8\xD1\x80") << "2" << kNameLettersMessage;
    QTest::newRow("letters before length") << "abcdefghij"
                                           << "1" << QString(30, 'n') + "?"
                                           << "2" << kNameLettersMessage;
    QTest::newRow("line size 251") << QString(251, 'a') << "251"
                                   << "n"
                                   << "2" << kLineSizeMessage;
    // 250 passes the line size and meets the next check: 126 tokens.
    QTest::newRow("line size 250") << QString("w ").repeated(125) << "250"
                                   << "n"
                                   << "2" << kWordsMessage;
    // "Say" and 32 words.
    QTest::newRow("33 tokens") << QString("w ").repeated(31) + "w"
                               << "63"
                               << "n"
                               << "2" << kWordsMessage;
  }
  void makeChecks() {
    QFETCH(QString, text);
    QFETCH(QString, line);
    QFETCH(QString, name);
    QFETCH(QString, key);
    QFETCH(QString, message);
    Type("ScriptText", text);
    Type("ScriptLine", line);
    Type("ScriptName", name);
    Type("ScriptBind", key);
    QCOMPARE(Edit("ScriptBind")->text(), key);
    Click("ScriptMake");
    QCOMPARE(Prompts(), QStringList{message});
    const platform::Message& shown = boxes_.shown.front();
    QCOMPARE(shown.title, std::string("Tickerloom"));
    QVERIFY(shown.buttons == platform::MessageButtons::kOk);
    QVERIFY(shown.icon == platform::MessageIcon::kNone);
    // Nothing changed: no file, no field, no count.
    QCOMPARE(FolderEntries(), QStringList());
    QCOMPARE(Edit("ScriptText")->text(), text);
    QCOMPARE(Edit("ScriptLine")->text(), line);
    QCOMPARE(Caption("ScriptTotalFileLbl"), QString());
  }

  // Keys that the one-character box cannot take by typing, set directly.
  void makeKeyTexts_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("passes");
    QTest::newRow("2") << "2" << true;
    QTest::newRow("8") << "8" << true;
    QTest::newRow("blanks around 5") << " 5 " << true;
    QTest::newRow("8.5") << "8.5" << false;
    QTest::newRow("F4") << "F4" << false;
    QTest::newRow("4x") << "4x" << false;
  }
  void makeKeyTexts() {
    QFETCH(QString, key);
    QFETCH(bool, passes);
    Edit("ScriptBind")->setMaxLength(8);  // stands for a text pasted by other means
    Edit("ScriptBind")->setText(key);
    Type("ScriptText", "abc");
    Type("ScriptName", "k");
    Click("ScriptMake");
    if (passes) {
      QCOMPARE(Prompts(), QStringList());
      QVERIFY(PathExists("k-3.rul"));
    } else {
      QCOMPARE(Prompts(), QStringList{kKeyMessage});
      QCOMPARE(FolderEntries(), QStringList());
    }
  }

  // "<16 characters>-10.rul" is exactly the 23 characters the key's slot
  // takes; a euro sign is one character in the files.
  void makeAcceptsTheLongestNameTheGameTakes() {
    const QString name = QString(15, 'n') + QChar(0x20AC);
    Type("ScriptText", "abcdefghij");
    Type("ScriptName", name);
    Click("ScriptMake");
    QCOMPARE(Prompts(), QStringList());
    QVERIFY(PathExists((name + "-10.rul").toStdString()));
  }

  void makeWritesTheFiles() {
    Type("ScriptText", "This Is A Sample Script");
    Type("ScriptLine", "10");
    Type("ScriptName", "hello");
    Click("ScriptMake");
    QCOMPARE(Prompts(), QStringList());
    QCOMPARE(Caption("ScriptTotalFileLbl"), QStringLiteral("23"));
    QCOMPARE(FolderEntries().size(), 24);
    QCOMPARE(ReadBytes("hello-1.rul"),
             std::string("Bind F2 \"execrul hello-2.rul\"\r\nSay This Is A \r\n"));
    QCOMPARE(ReadBytes("hello-23.rul"),
             std::string("Bind F2 \"execrul hello-1.rul\"\r\nSay tThis Is A\r\n"));
    const std::string startup = ReadBytes("autoexec.rul");
    const std::string bind = "Bind F2 \"execrul hello-1.rul\"\r\n";
    QVERIFY(startup.size() > bind.size() &&
            startup.compare(startup.size() - bind.size(), bind.size(), bind) == 0);
    // Every file was written under a wait cursor, which is gone afterwards.
    QVERIFY(files_.writes >= 24);
    QCOMPARE(files_.writes_without_wait_cursor, 0);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    // The fields keep their contents.
    QCOMPARE(Edit("ScriptName")->text(), QStringLiteral("hello"));
  }

  void fileFailureIsReportedAndTheProgramGoesOn() {
    Type("ScriptText", "abc");
    Type("ScriptName", "no-such-folder/x");
    Click("ScriptMake");
    QCOMPARE(boxes_.shown.size(), std::size_t{1});
    const QString prompt = QString::fromStdString(boxes_.shown.front().prompt);
    QVERIFY2(prompt.contains("no-such-folder/x-1.rul"), qPrintable(prompt));
    QVERIFY2(prompt.contains("No such file or directory"), qPrintable(prompt));
    QCOMPARE(Caption("ScriptTotalFileLbl"), QStringLiteral("3"));
    QVERIFY(!PathExists("autoexec.rul"));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    // The window still works.
    Type("ScriptName", "x");
    Click("ScriptMake");
    QCOMPARE(boxes_.shown.size(), std::size_t{1});
    QVERIFY(PathExists("x-3.rul"));
  }

  void copyAndClearThroughTheClipboard() {
    QApplication::clipboard()->setText(QStringLiteral("held before"));
    Type("ScriptText", QString::fromUtf8("a\xC3\xA9z"));
    Click("Command1");
    QCOMPARE(QApplication::clipboard()->text(), QString::fromUtf8("a\xC3\xA9z"));
    QCOMPARE(Edit("ScriptText")->text(), QString());
    QCOMPARE(Caption("ScriptLength"), QStringLiteral("0"));
    QVERIFY(boxes_.shown.empty());
    // An empty field still empties the clipboard.
    Click("Command1");
    QCOMPARE(QApplication::clipboard()->text(), QString());
    QVERIFY(boxes_.shown.empty());
  }

  void failedCopyKeepsTheText() {
    ForgetfulClipboard clipboard;
    Open(nullptr, &clipboard);
    Type("ScriptText", "keep me");
    Click("Command1");
    QCOMPARE(Edit("ScriptText")->text(), QStringLiteral("keep me"));
    QCOMPARE(Prompts(), QStringList{QString::fromUtf8(window::kClipboardFailedMessage)});
  }

  void helpTexts() {
    Click("HlpScriptLine");
    Click("ScriptAbout");
    QCOMPARE(Prompts(), (QStringList{kLineSizeHelp, kHelpAndAbout}));
    for (const auto& message : boxes_.shown) {
      QCOMPARE(message.title, std::string("Tickerloom"));
      QVERIFY(message.buttons == platform::MessageButtons::kOk);
      QVERIFY(message.icon == platform::MessageIcon::kNone);
    }
  }

  void websiteLabelOpensTheAddress() {
    QTest::mouseClick(Find("Label2"), Qt::LeftButton);
    QCOMPARE(opener_.addresses, std::vector<std::string>{"https://www.zeltrin.example.com/"});
    QCOMPARE(opener_.owners.front(), static_cast<platform::NativeWindowHandle>(Top()->winId()));
    // A desktop that cannot open it changes nothing and says nothing.
    QVERIFY(boxes_.shown.empty());
    // Other labels and the frame handle no click.
    QTest::mouseClick(Find("ScriptLength"), Qt::LeftButton);
    QTest::mouseClick(Find("Label1"), Qt::LeftButton);
    QCOMPARE(opener_.addresses.size(), std::size_t{1});
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
    QTRY_VERIFY_WITH_TIMEOUT(hook_.timer1 >= 2 && hook_.timer2 >= 1, 5000);
    window_->SwitchTimer2Off();
    QVERIFY(!window_->Timer2Enabled());
    const int timer2_ticks = hook_.timer2;
    window_->SwitchTimer1On();  // already on: stays on
    QVERIFY(window_->Timer1Enabled());
    const int timer1_ticks = hook_.timer1;
    QTRY_VERIFY_WITH_TIMEOUT(hook_.timer1 > timer1_ticks + 1, 5000);
    QCOMPARE(hook_.timer2, timer2_ticks);
  }

  // While a box is open no tick handler runs, from any handler's box.
  void noTickWhileABoxIsOpen() {
    // Keeps the box "open" for a while, running the event loop as a real box does.
    boxes_.while_open = [] {
      QEventLoop loop;
      QTimer::singleShot(2500, &loop, &QEventLoop::quit);
      loop.exec();
    };
    int ticks_during_box = -1;
    bool shown = false;
    hook_.on_timer1 = [&](window::WindowHost& host) {
      if (shown) return;
      shown = true;
      const int before = hook_.timer1 + hook_.timer2;
      host.Boxes().Show(platform::Message{"from the update"});
      ticks_during_box = hook_.timer1 + hook_.timer2 - before;
    };
    QTRY_VERIFY_WITH_TIMEOUT(ticks_during_box >= 0, 8000);
    QCOMPARE(ticks_during_box, 0);
    // A box of a click handler holds the ticks off as well.
    const int before = hook_.timer1 + hook_.timer2;
    Click("HlpScriptLine");
    QCOMPARE(hook_.timer1 + hook_.timer2, before);
    // And the timers go on afterwards.
    boxes_.while_open = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT(hook_.timer1 > before, 5000);
  }

  // A failing load handler is reported; the window is shown all the same.
  void errorInTheLoadHandlerIsReported() {
    hook_.on_load = [](window::WindowHost&) {
      throw std::runtime_error("Cannot open \"/opt/nox/Quorvane.execfu.tmp\": Is a directory");
    };
    Open();
    QCOMPARE(Prompts(),
             QStringList{"Cannot open \"/opt/nox/Quorvane.execfu.tmp\": Is a directory"});
    QVERIFY(Top()->isVisible());
    QCOMPARE(QApplication::focusWidget(), Edit("ScriptText"));
  }

  void errorInATickIsReported() {
    hook_.on_timer2 = [](window::WindowHost&) {
      throw std::runtime_error("Cannot rename \"/x/NewQuorvane.exe\": Permission denied");
    };
    QTRY_VERIFY_WITH_TIMEOUT(!boxes_.shown.empty(), 5000);
    QCOMPARE(Prompts().front(),
             QStringLiteral("Cannot rename \"/x/NewQuorvane.exe\": Permission denied"));
    QVERIFY(Top()->isVisible());
  }

  // One real QMessageBox: title, text, no icon, OK only; no ticks meanwhile.
  void realMessageBox() {
    platform::qt::QtMessageBoxes real_boxes;
    Open(&real_boxes);
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::Warning;
    QList<QAbstractButton*> buttons;
    int ticks_while_open = -1;
    QTimer::singleShot(1600, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      title = box->windowTitle();
      text = box->text();
      icon = box->icon();
      buttons = box->buttons();
      ticks_while_open = hook_.timer1 + hook_.timer2;
      box->button(QMessageBox::Ok)->click();
    });
    const int before = hook_.timer1 + hook_.timer2;
    Click("HlpScriptLine");
    QCOMPARE(title, QStringLiteral("Tickerloom"));
    QCOMPARE(text, QString(kLineSizeHelp).replace("\r\n", "\n"));
    QCOMPARE(icon, QMessageBox::NoIcon);
    QCOMPARE(buttons.size(), 1);
    QCOMPARE(ticks_while_open, before);
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

  // The download's progress box, opened by the load handler as the update
  // does: modal, a wait cursor, and no tick while its nested event loop runs
  // for longer than three Timer1 periods.
  void noTickWhileAProgressBoxIsOpen() {
    int ticks_while_open = -1;
    bool wait_cursor = false;
    hook_.on_load = [&](window::WindowHost& host) {
      const int before = hook_.timer1 + hook_.timer2;
      auto box = host.Progress().OpenProgressBox("Update", "Downloading The New Version");
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      QVERIFY(dialog != nullptr);
      const QCursor* cursor = QApplication::overrideCursor();
      wait_cursor = cursor != nullptr && cursor->shape() == Qt::WaitCursor;
      int periods = 0;
      QTimer period;
      QObject::connect(&period, &QTimer::timeout, [&periods] { ++periods; });
      period.start(500);
      QElapsedTimer deadline;
      deadline.start();
      for (std::uint64_t received = 0; periods < 3 && deadline.elapsed() < 30000; received += 10) {
        QVERIFY(box->Update(received, std::nullopt));
        QThread::msleep(10);
      }
      QCOMPARE(periods, 3);
      ticks_while_open = hook_.timer1 + hook_.timer2 - before;
    };
    Open();
    QCOMPARE(ticks_while_open, 0);
    QVERIFY(wait_cursor);
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    // The timers go on afterwards.
    const int after = hook_.timer1;
    QTRY_VERIFY_WITH_TIMEOUT(hook_.timer1 > after, 5000);
  }

  // The Qt box itself: title, prompt, the bar and the bytes, and Cancel.
  void progressBoxShowsTheFiguresAndCancels() {
    const QLocale locale;
    auto box = toolkit_.OpenProgressBox("Update", "Downloading The New Version");
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    QVERIFY(dialog != nullptr);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Update"));
    QCOMPARE(dialog->windowModality(), Qt::ApplicationModal);
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
  }

  void realYesNoBox() {
    platform::qt::QtMessageBoxes real_boxes;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool yes_is_default = false;
    QTimer::singleShot(100, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      icon = box->icon();
      yes_is_default = box->defaultButton() == box->button(QMessageBox::Yes);
      box->button(QMessageBox::No)->click();
    });
    platform::Message message;
    message.prompt = "A Newer Version Is Available\r\nDo You Want To Download It Now?";
    message.title = "Update";
    message.buttons = platform::MessageButtons::kYesNo;
    message.icon = platform::MessageIcon::kInformation;
    QVERIFY(real_boxes.Show(message) == platform::MessageAnswer::kNo);
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
