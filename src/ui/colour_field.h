// One colour option of the window: its text box, its swatch and its chooser
// button, kept in step the same way for the page colours and the font colour.
#pragma once

#include <QColor>
#include <QObject>

#include <optional>

class QLineEdit;
class QPushButton;

namespace scrivane {

class ColourSwatch;
class Desktop;

class ColourField : public QObject {
  Q_OBJECT

 public:
  // How the swatch reads the text as it is typed.
  enum class Reading {
    HashFirst,  // only "#" texts name a colour (the page's background and text)
    AnyFirst,   // the first character is skipped whatever it is (the font colour)
  };

  // Wires the three controls; the chooser asks `desktop` with `dialogParent` as the parent.
  ColourField(QPushButton* chooser, ColourSwatch* swatch, QLineEdit* box, Reading reading, Desktop& desktop,
              QWidget* dialogParent);

  // The colour the text names as it is typed (a CSS colour name too), or nullopt when it names none.
  std::optional<QColor> TypedColour() const;
  // Shows the colour of the text as a stored value is read (whatever its first character).
  void ShowStoredColour();

 signals:
  // The text changed and the swatch follows it.
  void ColourChanged();

 protected:
  // Leaving the box tidies its text.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FollowText();
  void Choose();

  ColourSwatch* swatch_;
  QLineEdit* box_;
  Reading reading_;
  Desktop& desktop_;
  QWidget* dialogParent_;
};

}  // namespace scrivane
