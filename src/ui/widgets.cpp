// Painting of the swatches, the sample and the status strip.
#include "widgets.h"

#include <QAccessibleWidget>
#include <QComboBox>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QSvgRenderer>

#include <algorithm>

#include "colour_text.h"

namespace scrivane {
namespace {

constexpr int kTextMargin = 4;
constexpr const char* kIconResource = ":/scrivane/resources/scrivane.svg";

// A click label as screen readers see it: a button (or a link) named by its text,
// which their "press" works.
class ClickLabelAccessible : public QAccessibleWidget {
 public:
  explicit ClickLabelAccessible(ClickLabel* label)
      : QAccessibleWidget(label, label->IsLink() ? QAccessible::Link : QAccessible::Button) {}
  QString text(QAccessible::Text kind) const override {
    const auto* label = static_cast<const ClickLabel*>(widget());
    if (kind == QAccessible::Name && label->accessibleName().isEmpty()) return label->text();
    return QAccessibleWidget::text(kind);
  }
  QStringList actionNames() const override { return QAccessibleWidget::actionNames() << pressAction(); }
  void doAction(const QString& action) override {
    if (action == pressAction()) {
      emit static_cast<ClickLabel*>(widget())->clicked();
      return;
    }
    QAccessibleWidget::doAction(action);
  }
};

// A named list box as screen readers see it: named by its caption,
// with the entry shown as its value (Qt would name it by that entry).
class NamedComboAccessible : public QAccessibleWidget {
 public:
  explicit NamedComboAccessible(QComboBox* combo) : QAccessibleWidget(combo, QAccessible::ComboBox) {}
  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Value) return static_cast<const QComboBox*>(widget())->currentText();
    return QAccessibleWidget::text(kind);
  }
  QStringList actionNames() const override { return QAccessibleWidget::actionNames() << showMenuAction(); }
  void doAction(const QString& action) override {
    if (action == showMenuAction()) {
      static_cast<QComboBox*>(widget())->showPopup();
      return;
    }
    QAccessibleWidget::doAction(action);
  }
};

QAccessibleInterface* WindowControlInterface(const QString&, QObject* object) {
  if (auto* label = qobject_cast<ClickLabel*>(object)) return new ClickLabelAccessible(label);
  if (auto* combo = qobject_cast<NamedComboBox*>(object)) return new NamedComboAccessible(combo);
  return nullptr;
}

}  // namespace

QPixmap ProgramPicture(int size) {
  QPixmap picture(size, size);
  picture.fill(Qt::transparent);
  QSvgRenderer renderer(QString::fromLatin1(kIconResource));
  QPainter painter(&picture);
  renderer.render(&painter);
  return picture;
}

QPixmap GripPicture(int size, int visible) {
  QPixmap picture(size, size);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0xF0, 0xF0, 0xF0));
  const double step = visible / 4.0;
  const double radius = std::max(1.0, step / 4.0);
  for (int row = 1; row <= 3; ++row) {
    for (int column = 1; column <= 3; ++column) painter.drawEllipse(QPointF(column * step, row * step), radius, radius);
  }
  return picture;
}

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(ProgramPicture(size));
  return icon;
}

QColor ColourOfValue(unsigned value) {
  return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                static_cast<int>((value >> 16) & 0xFF));
}

unsigned ValueOfColour(const QColor& colour) {
  return static_cast<unsigned>(colour.red()) | (static_cast<unsigned>(colour.green()) << 8) |
         (static_cast<unsigned>(colour.blue()) << 16);
}

ColourSwatch::ColourSwatch(QWidget* parent) : QFrame(parent), colour_(ColourOfValue(kLightGrey)) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
}

void ColourSwatch::SetColour(const QColor& colour) {
  if (colour == colour_) return;
  colour_ = colour;
  update();
}

void ColourSwatch::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.fillRect(contentsRect(), colour_);
  painter.end();
  QFrame::paintEvent(event);
}

SamplePreview::SamplePreview(QWidget* parent)
    : QFrame(parent), background_(ColourOfValue(kLightGrey)), text_(Qt::black) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
}

void SamplePreview::SetBackground(const QColor& colour) {
  background_ = colour;
  update();
}

void SamplePreview::SetTextColour(const QColor& colour) {
  text_ = colour;
  update();
}

void SamplePreview::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect area = contentsRect();
  painter.fillRect(area, background_);
  painter.setPen(text_);
  painter.drawText(area.adjusted(kTextMargin, kTextMargin, -kTextMargin, -kTextMargin),
                   Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Sample\nText"));
  painter.end();
  QFrame::paintEvent(event);
}

StatusStrip::StatusStrip(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setAutoFillBackground(true);
}

void StatusStrip::SetText(const QString& text) {
  // The run ends its lines with CR LF; a bare CR would show as a box.
  text_ = text;
  text_.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  setToolTip(text_);
  update();
}

void StatusStrip::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::WindowText));
  const QRect area = contentsRect().adjusted(kTextMargin / 2, 1, -kTextMargin, -1);
  const QFontMetrics metrics = fontMetrics();
  int top = area.top();
  for (const QString& line : text_.split(QLatin1Char('\n'))) {
    const QString shown = metrics.elidedText(line, Qt::ElideMiddle, area.width());
    painter.drawText(QRect(area.left(), top, area.width(), metrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     shown);
    top += metrics.lineSpacing();
  }
}

ClickLabel::ClickLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  setCursor(Qt::PointingHandCursor);
  // Tab reaches it; a click leaves the focus where it was, so Return still converts.
  setFocusPolicy(Qt::TabFocus);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
  QLabel::mouseReleaseEvent(event);
}

void ClickLabel::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Select:
      event->accept();
      emit clicked();
      return;
    default:
      QLabel::keyPressEvent(event);
  }
}

void ClickLabel::paintEvent(QPaintEvent* event) {
  QLabel::paintEvent(event);
  if (!hasFocus()) return;
  QPainter painter(this);
  QStyleOptionFocusRect option;
  option.initFrom(this);
  option.rect = rect().adjusted(1, 1, -1, -1);
  option.backgroundColor = palette().color(backgroundRole());
  style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}

void DescribeControlsForScreenReaders() {
  [[maybe_unused]] static const bool installed = (QAccessible::installFactory(WindowControlInterface), true);
}

DefaultButton::DefaultButton(const QString& text, QWidget* parent) : QPushButton(text, parent) { setDefault(true); }

void DefaultButton::focusOutEvent(QFocusEvent* event) {
  QPushButton::focusOutEvent(event);
  setDefault(true);
}

}  // namespace scrivane
