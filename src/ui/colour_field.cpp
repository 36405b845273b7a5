// A colour's text box, swatch and chooser kept in step.
#include "colour_field.h"

#include <QEvent>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

#include "colour_text.h"
#include "desktop.h"
#include "widgets.h"

namespace scrivane {
namespace {

// The colour a CSS colour name ("navy", "Maroon") stands for, or nullopt for any other text.
std::optional<QColor> NamedColour(const QString& text) {
  const bool letters = !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
  });
  if (!letters || !QColor::isValidColorName(text)) return std::nullopt;
  return QColor::fromString(text);
}

}  // namespace

ColourField::ColourField(QPushButton* chooser, ColourSwatch* swatch, QLineEdit* box, Reading reading,
                         Desktop& desktop, QWidget* dialogParent)
    : QObject(box), swatch_(swatch), box_(box), reading_(reading), desktop_(desktop), dialogParent_(dialogParent) {
  connect(box_, &QLineEdit::textChanged, this, &ColourField::FollowText);
  connect(chooser, &QPushButton::clicked, this, &ColourField::Choose);
  box_->installEventFilter(this);
}

std::optional<QColor> ColourField::TypedColour() const {
  if (const std::optional<QColor> named = NamedColour(box_->text())) return named;
  const std::string text = box_->text().toStdString();
  if (reading_ == Reading::HashFirst && !text.starts_with('#')) return std::nullopt;
  const std::optional<std::uint32_t> colour = ParseColourText(text);
  if (!colour) return std::nullopt;
  return ColourOfValue(*colour);
}

void ColourField::ShowStoredColour() {
  const std::optional<QColor> named = NamedColour(box_->text());
  swatch_->SetColour(named ? *named : ColourOfValue(ColourFromText(box_->text().toStdString())));
}

void ColourField::FollowText() {
  swatch_->SetColour(TypedColour().value_or(ColourOfValue(kLightGrey)));
  emit ColourChanged();
}

void ColourField::Choose() {
  const std::optional<QColor> chosen = desktop_.ChooseColour(dialogParent_, swatch_->Colour());
  if (!chosen) return;
  swatch_->SetColour(*chosen);
  box_->setText(QString::fromStdString(ColourToText(ValueOfColour(*chosen))));
}

bool ColourField::eventFilter(QObject* watched, QEvent* event) {
  if (watched == box_ && event->type() == QEvent::FocusOut) {
    // Leaving the box tidies its text; the swatch follows through the change. A colour
    // name stays as it was typed.
    const QString text = box_->text();
    if (!text.isEmpty() && !NamedColour(text)) box_->setText(QString::fromStdString(NormaliseColourText(text.toStdString())));
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace scrivane
