// Small display widgets of the main window: the colour swatches, the page sample,
// the status strip and labels that act on a click.
#pragma once

#include <QColor>
#include <QComboBox>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QString>

namespace scrivane {

// A framed box filled with one colour.
class ColourSwatch : public QFrame {
  Q_OBJECT
  Q_PROPERTY(QColor colour READ Colour WRITE SetColour)

 public:
  // An empty (light grey) swatch.
  explicit ColourSwatch(QWidget* parent = nullptr);
  // The colour shown.
  QColor Colour() const { return colour_; }
  // Fills the box with `colour`.
  void SetColour(const QColor& colour);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor colour_;
};

// The page sample: "Sample" and "Text" on two lines in the page's colours.
class SamplePreview : public QFrame {
  Q_OBJECT
  Q_PROPERTY(QColor background READ Background)
  Q_PROPERTY(QColor textColour READ TextColour)

 public:
  // A sample in light grey with black text.
  explicit SamplePreview(QWidget* parent = nullptr);
  // The page background shown.
  QColor Background() const { return background_; }
  // The page text colour shown.
  QColor TextColour() const { return text_; }
  // Sets the page background and repaints.
  void SetBackground(const QColor& colour);
  // Sets the page text colour and repaints.
  void SetTextColour(const QColor& colour);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor background_;
  QColor text_;
};

// The status and progress strip: lines of text, each shortened in the middle when
// too long to fit (the whole text is in the tooltip).
class StatusStrip : public QFrame {
  Q_OBJECT
  Q_PROPERTY(QString text READ Text WRITE SetText)

 public:
  // An empty strip.
  explicit StatusStrip(QWidget* parent = nullptr);
  // The whole text, lines separated by "\n".
  QString Text() const { return text_; }
  // Clears the strip and shows `text`.
  void SetText(const QString& text);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString text_;
};

// A label that reports a left-button click, or Space or Return while it has the
// focus (it takes the focus with Tab, and shows it with a dotted frame).
class ClickLabel : public QLabel {
  Q_OBJECT

 public:
  // A label showing `text` with a pointing-hand cursor; screen readers take it for a button.
  explicit ClickLabel(const QString& text, QWidget* parent = nullptr);
  // Screen readers take it for a link instead.
  void SetLink() { link_ = true; }
  // True when it stands for a link rather than a button.
  bool IsLink() const { return link_; }

 signals:
  // The label was clicked with the left button, or worked from the keyboard.
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  bool link_ = false;
};

// A list box that screen readers name by its accessible name (its caption) rather
// than by the entry it shows.
class NamedComboBox : public QComboBox {
  Q_OBJECT

 public:
  using QComboBox::QComboBox;
};

// A push button that stays the window's default button, framed to show that Return
// works it, when the focus leaves it (outside a dialog Qt would drop the frame).
class DefaultButton : public QPushButton {
  Q_OBJECT

 public:
  // A default button showing `text`.
  explicit DefaultButton(const QString& text, QWidget* parent = nullptr);

 protected:
  void focusOutEvent(QFocusEvent* event) override;
};

// Makes screen readers take click labels for buttons (or links) and name list boxes
// (NamedComboBox) by their names rather than their entries; once per program is enough.
void DescribeControlsForScreenReaders();

// The program's picture drawn at `size` pixels square.
QPixmap ProgramPicture(int size);

// A grip of dots for a handle `size` pixels square, drawn in its top-left `visible` pixels.
QPixmap GripPicture(int size, int visible);

// The program's icon for its windows.
QIcon ProgramIcon();

// The QColor of a 0x00BBGGRR value.
QColor ColourOfValue(unsigned value);

// The 0x00BBGGRR value of a colour.
unsigned ValueOfColour(const QColor& colour);

}  // namespace scrivane
