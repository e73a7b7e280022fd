#include "platform/qt/QtDesktop.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "platform/Desktop.h"
#include "platform/icon/ProgramIcon.h"

namespace tickerloom::platform::qt {

namespace {

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToUtf8(const QString& text) {
  return text.toUtf8().toStdString();
}

// Captions are shown as they are: '&' marks no access key.
QString LiteralCaption(std::string_view text) {
  return FromUtf8(text).replace("&", "&&");
}

QFont MakeFont(const FontChoice& choice) {
  QFont font(FromUtf8(choice.family));
  font.setPointSizeF(choice.points);
  font.setWeight(static_cast<QFont::Weight>(choice.weight));
  font.setItalic(choice.italic);
  font.setUnderline(choice.underline);
  font.setStrikeOut(choice.strike_out);
  return font;
}

// Built from the icon's pixels: no image decoder plugin is loaded for it.
QIcon ProgramIcon() {
  QIcon icon;
  for (const IconImage& image : ProgramIconImages()) {
    const QImage pixels(reinterpret_cast<const uchar*>(image.argb.data()), image.width,
                        image.height, QImage::Format_ARGB32);
    icon.addPixmap(QPixmap::fromImage(pixels));
  }
  return icon;
}

// A label that reports a click: a left-button press and release over it.
class ClickableLabel final : public QLabel {
 public:
  ClickableLabel(QWidget* parent, std::function<void()> on_click)
      : QLabel(parent), on_click_(std::move(on_click)) {}

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
      on_click_();
    }
  }

 private:
  std::function<void()> on_click_;
};

// The classic light grey of a scroll bar, which Qt has no system colour for.
const QColor kScrollBarColour(200, 200, 200);

// Logical pixels for a length in twips: 15 twips to the pixel.
int TwipsToPixels(int twips) {
  return (twips + 7) / 15;
}

// The widget of a control other than a timer, its events sent to `events`.
QWidget* MakeWidget(const ControlLayout& control, QWidget* parent, WindowEvents& events) {
  const std::string name = control.name;
  const Qt::Alignment alignment =
      (control.alignment == TextAlignment::kCenter ? Qt::AlignHCenter : Qt::AlignLeft) |
      Qt::AlignVCenter;
  switch (control.kind) {
    case ControlKind::kTextBox: {
      auto* edit = new QLineEdit(parent);
      edit->setText(FromUtf8(control.caption));
      // Qt's own default would cut a longer text at 32767 characters.
      edit->setMaxLength(control.max_length > 0 ? control.max_length
                                                : std::numeric_limits<int>::max());
      edit->setAlignment(alignment);
      if (control.background == Background::kScrollBar) {
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Base, kScrollBarColour);
        edit->setPalette(palette);
      }
      QObject::connect(edit, &QLineEdit::textChanged, edit,
                       [&events, name] { events.Change(name); });
      return edit;
    }
    case ControlKind::kCommandButton: {
      auto* button = new QPushButton(LiteralCaption(control.caption), parent);
      button->setAutoDefault(false);
      button->setDefault(false);
      QObject::connect(button, &QPushButton::clicked, button,
                       [&events, name] { events.Click(name); });
      return button;
    }
    case ControlKind::kLabel: {
      auto* label = new ClickableLabel(parent, [&events, name] { events.Click(name); });
      label->setTextFormat(Qt::PlainText);
      label->setText(FromUtf8(control.caption));
      label->setAlignment(alignment);
      return label;
    }
    case ControlKind::kFrame:
      return new QGroupBox(LiteralCaption(control.caption), parent);
    case ControlKind::kTimer:
      break;
  }
  return nullptr;  // a timer has none
}

// A top-level QWidget with absolutely placed child widgets. Every child's
// objectName is its control name.
class QtToolkitWindow final : public ToolkitWindow {
 public:
  QtToolkitWindow(const WindowLayout& layout, WindowEvents& events);

  std::string Text(std::string_view control) const override {
    QWidget* widget = Control(control);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) return ToUtf8(edit->text());
    if (auto* label = qobject_cast<QLabel*>(widget)) return ToUtf8(label->text());
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
      return ToUtf8(button->text().replace("&&", "&"));
    }
    if (auto* frame = qobject_cast<QGroupBox*>(widget)) {
      return ToUtf8(frame->title().replace("&&", "&"));
    }
    return {};
  }
  void SetText(std::string_view control, const std::string& text) override {
    QWidget* widget = Control(control);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) edit->setText(FromUtf8(text));
    if (auto* label = qobject_cast<QLabel*>(widget)) label->setText(FromUtf8(text));
    if (auto* button = qobject_cast<QPushButton*>(widget)) button->setText(LiteralCaption(text));
    if (auto* frame = qobject_cast<QGroupBox*>(widget)) frame->setTitle(LiteralCaption(text));
  }
  void SetTimerEnabled(std::string_view timer, bool enabled) override {
    QTimer* found = Timer(timer);
    // Switching on a running timer leaves it running, its count undisturbed.
    if (enabled && !found->isActive()) found->start();
    if (!enabled) found->stop();
  }
  bool TimerEnabled(std::string_view timer) const override { return Timer(timer)->isActive(); }
  void Show() override {
    // The first time into the first control; later Qt puts the focus back.
    if (first_focus_ != nullptr) first_focus_->setFocus();
    first_focus_ = nullptr;
    window_->show();
  }
  // Off the screen at once: Qt's X11 window is unmapped and the request
  // flushed as it hides.
  void Hide() override { window_->hide(); }
  void SetBusy(bool busy) override {
    if (busy) {
      QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
      QApplication::restoreOverrideCursor();
    }
  }
  NativeWindowHandle Handle() const override {
    return static_cast<NativeWindowHandle>(window_->winId());
  }

 private:
  QWidget* Control(std::string_view name) const {
    const auto found = controls_.find(name);
    if (found == controls_.end()) throw std::out_of_range("No control named " + std::string(name));
    return found->second;
  }
  QTimer* Timer(std::string_view name) const {
    const auto found = timers_.find(name);
    if (found == timers_.end()) throw std::out_of_range("No timer named " + std::string(name));
    return found->second;
  }

  std::unique_ptr<QWidget> window_;
  std::map<std::string, QWidget*, std::less<>> controls_;
  std::map<std::string, QTimer*, std::less<>> timers_;
  QWidget* first_focus_ = nullptr;
};

QtToolkitWindow::QtToolkitWindow(const WindowLayout& layout, WindowEvents& events)
    : window_(std::make_unique<QWidget>()) {
  QWidget* window = window_.get();
  window->setWindowTitle(FromUtf8(layout.caption));
  window->setFont(MakeFont(layout.default_font));
  window->resize(TwipsToPixels(layout.client_width), TwipsToPixels(layout.client_height));
  if (layout.program_icon) window->setWindowIcon(ProgramIcon());

  std::vector<std::pair<int, QWidget*>> focus_chain;
  for (const ControlLayout& control : layout.controls) {
    const std::string name = control.name;
    if (control.kind == ControlKind::kTimer) {
      auto* timer = new QTimer(window);
      timer->setObjectName(FromUtf8(name));
      timer->setInterval(control.interval_ms);
      QObject::connect(timer, &QTimer::timeout, window, [&events, name] { events.Tick(name); });
      if (control.enabled) timer->start();
      timers_.emplace(name, timer);
      continue;
    }

    QWidget* widget =
        MakeWidget(control, control.parent.empty() ? window : Control(control.parent), events);
    if (control.kind == ControlKind::kTextBox || control.kind == ControlKind::kCommandButton) {
      focus_chain.emplace_back(control.tab_index, widget);
    }
    widget->setObjectName(FromUtf8(name));
    widget->setGeometry(TwipsToPixels(control.left), TwipsToPixels(control.top),
                        TwipsToPixels(control.width), TwipsToPixels(control.height));
    if (!control.tool_tip.empty()) widget->setToolTip(FromUtf8(control.tool_tip));
    if (!control.accessible_name.empty())
      widget->setAccessibleName(FromUtf8(control.accessible_name));
    if (!control.accessible_description.empty()) {
      widget->setAccessibleDescription(FromUtf8(control.accessible_description));
    }
    if (control.font) widget->setFont(MakeFont(*control.font));
    if (control.cursor == MouseCursor::kCrossHair) widget->setCursor(Qt::CrossCursor);
    controls_.emplace(name, widget);
  }

  // Tab goes through the focusable controls by tab index, and round again.
  std::stable_sort(focus_chain.begin(), focus_chain.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (std::size_t i = 1; i < focus_chain.size(); ++i) {
    QWidget::setTabOrder(focus_chain[i - 1].second, focus_chain[i].second);
  }
  if (!focus_chain.empty()) first_focus_ = focus_chain.front().second;
}

// An application-modal QDialog: the prompt, a QProgressBar (a percentage,
// or busy when the length is unknown), the bytes received, and Cancel.
class QtProgressBox final : public ProgressBox {
 public:
  QtProgressBox(const std::string& title, const std::string& prompt);
  QtProgressBox(const QtProgressBox&) = delete;
  QtProgressBox& operator=(const QtProgressBox&) = delete;
  bool Update(std::uint64_t received, std::optional<std::uint64_t> total) override;

 private:
  std::unique_ptr<QDialog> dialog_;
  QProgressBar* bar_ = nullptr;
  QLabel* bytes_ = nullptr;
  bool cancelled_ = false;
};

QtProgressBox::QtProgressBox(const std::string& title, const std::string& prompt)
    : dialog_(std::make_unique<QDialog>(QApplication::activeWindow())) {
  QDialog* dialog = dialog_.get();
  dialog->setWindowTitle(FromUtf8(title));
  dialog->setWindowModality(Qt::ApplicationModal);
  dialog->setMinimumWidth(320);
  auto* layout = new QVBoxLayout(dialog);
  auto* label = new QLabel(dialog);
  label->setTextFormat(Qt::PlainText);
  label->setText(FromUtf8(prompt).replace("\r\n", "\n"));
  layout->addWidget(label);
  bar_ = new QProgressBar(dialog);
  bar_->setRange(0, 0);
  layout->addWidget(bar_);
  bytes_ = new QLabel(dialog);
  bytes_->setTextFormat(Qt::PlainText);
  layout->addWidget(bytes_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, dialog);
  layout->addWidget(buttons);
  // Cancel, Escape and the close button all reject the dialog.
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  QObject::connect(dialog, &QDialog::rejected, dialog, [this] { cancelled_ = true; });
  Update(0, std::nullopt);
  dialog->show();
  QApplication::processEvents();
}

bool QtProgressBox::Update(std::uint64_t received, std::optional<std::uint64_t> total) {
  const QLocale locale;
  const QString received_text = locale.toString(static_cast<qulonglong>(received));
  if (total && *total > 0) {
    constexpr int kSteps = 1000;
    bar_->setRange(0, kSteps);
    bar_->setValue(static_cast<int>(static_cast<double>(std::min(received, *total)) /
                                    static_cast<double>(*total) * kSteps));
    bytes_->setText(QStringLiteral("%1 of %2 bytes")
                        .arg(received_text, locale.toString(static_cast<qulonglong>(*total))));
  } else {
    bar_->setRange(0, 0);
    bytes_->setText(QStringLiteral("%1 bytes").arg(received_text));
  }
  QApplication::processEvents();
  return !cancelled_;
}

}  // namespace

std::unique_ptr<ToolkitWindow> QtWindowToolkit::OpenWindow(const WindowLayout& layout,
                                                           WindowEvents& events) {
  return std::make_unique<QtToolkitWindow>(layout, events);
}

int QtWindowToolkit::Run() {
  return QApplication::exec();
}

std::unique_ptr<ProgressBox> QtWindowToolkit::OpenProgressBox(const std::string& title,
                                                              const std::string& prompt) {
  return std::make_unique<QtProgressBox>(title, prompt);
}

MessageAnswer QtMessageBoxes::Show(const Message& message) {
  QMessageBox box(QApplication::activeWindow());
  box.setWindowTitle(FromUtf8(message.title));
  box.setTextFormat(Qt::PlainText);
  box.setText(FromUtf8(message.prompt).replace("\r\n", "\n"));
  box.setIcon(message.icon == MessageIcon::kInformation ? QMessageBox::Information
                                                        : QMessageBox::NoIcon);
  if (message.buttons == MessageButtons::kYesNo) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
  }
  const int answer = box.exec();
  if (message.buttons == MessageButtons::kOk) return MessageAnswer::kOk;
  return answer == QMessageBox::Yes ? MessageAnswer::kYes : MessageAnswer::kNo;
}

void QtClipboard::Clear() {
  QApplication::clipboard()->clear();
}

void QtClipboard::SetText(const std::string& text) {
  QApplication::clipboard()->setText(FromUtf8(text));
}

std::string QtClipboard::Text() {
  return ToUtf8(QApplication::clipboard()->text());
}

bool QtDesktopOpen::Open(NativeWindowHandle /*owner*/, const std::string& address) {
  return QDesktopServices::openUrl(QUrl(FromUtf8(address)));
}

namespace {

class QtDesktop final : public Desktop {
 public:
  QtDesktop(int& argc, char** argv) : application_(argc, argv) {}
  WindowToolkit& Toolkit() override { return toolkit_; }
  MessageBoxes& Boxes() override { return boxes_; }
  platform::Clipboard& Clipboard() override { return clipboard_; }
  DesktopOpen& Opener() override { return opener_; }

 private:
  QApplication application_;
  QtWindowToolkit toolkit_;
  QtMessageBoxes boxes_;
  QtClipboard clipboard_;
  QtDesktopOpen opener_;
};

}  // namespace

}  // namespace tickerloom::platform::qt

namespace tickerloom::platform {

std::unique_ptr<Desktop> ConnectDesktop(int& argc, char** argv) {
  return std::make_unique<qt::QtDesktop>(argc, argv);
}

}  // namespace tickerloom::platform
