// The controls of the four pages at their design positions (twips, relative to
// their container; page tops count from below the tab strip).
#include "pages.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QFont>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <algorithm>

#include "form.h"
#include "twip_layout.h"
#include "widgets.h"

namespace scrivane {
namespace {

// A new widget with its object name, placed in the design grid.
template <typename T, typename... Args>
T* Make(TwipLayout& layout, const char* name, QWidget* parent, QRect twips, Args&&... args) {
  T* widget = new T(std::forward<Args>(args)..., parent);
  widget->setObjectName(QString::fromLatin1(name));
  layout.Place(widget, twips.x(), twips.y(), twips.width(), twips.height());
  return widget;
}

// A design rectangle on a page: tops are given from the tab control's top edge.
QRect OnPage(int left, int top, int width, int height) {
  return QRect(left, top - kTabStripTwips, width, height);
}

QComboBox* FileCombo(TwipLayout& layout, const char* name, QWidget* frame, const QString& accessibleName) {
  QComboBox* combo = Make<NamedComboBox>(layout, name, frame, QRect(1995, 210, 3900, 315));
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);  // the history grows only after a conversion
  combo->setAccessibleName(accessibleName);
  // File names differ by case alone, and a name is what the user typed: the history
  // is offered below the box, in the name's own case, and taken only when picked.
  auto* completer = new QCompleter(combo->model(), combo);
  completer->setCaseSensitivity(Qt::CaseSensitive);
  completer->setCompletionMode(QCompleter::PopupCompletion);
  combo->setCompleter(completer);
  return combo;
}

// One source or destination frame: "Clipboard" and "File" buttons, the name box and "...".
// The captions carry the buttons' mnemonics, different in the two frames.
QButtonGroup* SourceButtons(TwipLayout& layout, const char* name, QGroupBox* frame, const QString& clipboardCaption,
                            const QString& fileCaption) {
  auto* group = new QButtonGroup(frame);
  group->setObjectName(QString::fromLatin1(name));
  const QString base = QString::fromLatin1(name);
  auto* clipboard = new QRadioButton(clipboardCaption, frame);
  clipboard->setObjectName(base + QString::number(kClipboard));
  layout.Place(clipboard, 210, 210, 1095, 315);
  auto* file = new QRadioButton(fileCaption, frame);
  file->setObjectName(base + QString::number(kFile));
  layout.Place(file, 1365, 210, 570, 315);
  group->addButton(clipboard, kClipboard);
  group->addButton(file, kFile);
  return group;
}

QLabel* Caption(TwipLayout& layout, const char* name, const QString& text, QWidget* parent, QRect twips,
                Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter) {
  auto* label = Make<QLabel>(layout, name, parent, twips, text);
  label->setAlignment(alignment);
  return label;
}

// A caption that names `buddy`: its mnemonic moves there, and screen readers read it as the box's name.
QLabel* Caption(TwipLayout& layout, const char* name, const QString& text, QWidget* parent, QRect twips,
                QWidget* buddy, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter) {
  QLabel* label = Caption(layout, name, text, parent, twips, alignment);
  label->setBuddy(buddy);
  return label;
}

}  // namespace

InputOutputPage::InputOutputPage(TwipLayout& layout, QWidget* parent) : QWidget(parent) {
  frameInput = Make<QGroupBox>(layout, "FrameInput", this, OnPage(210, 630, 6420, 750), QStringLiteral("Input"));
  optInput = SourceButtons(layout, "optInput", frameInput, QStringLiteral("C&lipboard"), QStringLiteral("&File"));
  cmbInFile = FileCombo(layout, "cmbInFile", frameInput, QStringLiteral("Input file"));
  butInBrowse = Make<QPushButton>(layout, "butInBrowse", frameInput, QRect(5985, 210, 330, 330), QStringLiteral("..."));
  butInBrowse->setToolTip(QStringLiteral("Choose the text file to convert"));
  butInBrowse->setAccessibleName(butInBrowse->toolTip());

  frameOutput = Make<QGroupBox>(layout, "FrameOutput", this, OnPage(210, 1680, 6420, 750), QStringLiteral("Output"));
  optOutput =
      SourceButtons(layout, "optOutput", frameOutput, QStringLiteral("Cli&pboard"), QStringLiteral("Fil&e"));
  cmbOutFile = FileCombo(layout, "cmbOutFile", frameOutput, QStringLiteral("Output file"));
  butOutBrowse =
      Make<QPushButton>(layout, "butOutBrowse", frameOutput, QRect(5985, 210, 330, 330), QStringLiteral("..."));
  butOutBrowse->setToolTip(QStringLiteral("Choose where the HTML document goes"));
  butOutBrowse->setAccessibleName(butOutBrowse->toolTip());
  // A wider window gives the file names the room.
  for (QWidget* grows : {static_cast<QWidget*>(frameInput), static_cast<QWidget*>(cmbInFile),
                         static_cast<QWidget*>(frameOutput), static_cast<QWidget*>(cmbOutFile)}) {
    layout.Widen(grows, TwipLayout::Widening::Stretches);
  }
  layout.Widen(butInBrowse, TwipLayout::Widening::MovesRight);
  layout.Widen(butOutBrowse, TwipLayout::Widening::MovesRight);
}

WebPage::WebPage(TwipLayout& layout, QWidget* parent) : QWidget(parent) {
  chkWebPage = Make<QCheckBox>(layout, "chkWebPage", this, OnPage(1155, 420, 3000, 255),
                               QStringLiteral("&Free standing Web page"));
  // A modern page or fragment: outside the frame, which only a free-standing page shows.
  chkModern = Make<QCheckBox>(layout, "chkModern", this, OnPage(4200, 420, 2430, 255),
                              QStringLiteral("&Modern HTML5 page"));
  chkModern->setToolTip(QStringLiteral("Write a valid, accessible HTML5 page styled with CSS, light or dark"));
  frameWebPage = Make<QGroupBox>(layout, "FrameWebPage", this, OnPage(210, 630, 6420, 2745));
  QWidget* frame = frameWebPage;

  butBGColor = Make<QPushButton>(layout, "butBGColor", frame, QRect(105, 315, 945, 330), QStringLiteral("&BG Color"));
  picBGColor = Make<ColourSwatch>(layout, "PicBGColor", frame, QRect(1155, 315, 330, 330));
  txtBGColor = Make<QLineEdit>(layout, "txtBGColor", frame, QRect(1575, 315, 855, 330));
  txtBGColor->setAccessibleName(QStringLiteral("Background colour"));
  butText = Make<QPushButton>(layout, "butText", frame, QRect(105, 840, 945, 330), QStringLiteral("T&ext Color"));
  picTextColor = Make<ColourSwatch>(layout, "PicTextColor", frame, QRect(1155, 840, 330, 330));
  txtTextColor = Make<QLineEdit>(layout, "txtTextColor", frame, QRect(1575, 840, 855, 330));
  txtTextColor->setAccessibleName(QStringLiteral("Text colour"));
  picPage = Make<SamplePreview>(layout, "picPage", frame, QRect(2520, 315, 750, 855));

  txtCharSet = Make<QLineEdit>(layout, "txtCharSet", frame, QRect(4095, 315, 2115, 330));
  txtCharSet->setPlaceholderText(QStringLiteral("e.g. utf-8"));
  Caption(layout, "lblCharSet", QStringLiteral("Char&Set"), frame, QRect(3360, 345, 660, 270), txtCharSet,
          Qt::AlignRight | Qt::AlignVCenter);
  txtBGImage = Make<QLineEdit>(layout, "txtBGImage", frame, QRect(3465, 945, 2745, 330));
  Caption(layout, "lblBGImage", QStringLiteral("Bac&kground Image"), frame, QRect(3465, 690, 2745, 240), txtBGImage);

  txtHeader = Make<QLineEdit>(layout, "txtHeader", frame, QRect(630, 1365, 5580, 285));
  Caption(layout, "lblHeader", QStringLiteral("Tit&le"), frame, QRect(105, 1365, 450, 285), txtHeader,
          Qt::AlignRight | Qt::AlignVCenter);
  txtFooter = Make<QPlainTextEdit>(layout, "txtFooter", frame, QRect(210, 1890, 6000, 750));
  Caption(layout, "lblFooter", QStringLiteral("Foote&r"), frame, QRect(210, 1650, 2000, 240), txtFooter);
  txtFooter->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  txtFooter->setTabChangesFocus(true);
  for (QWidget* grows : {static_cast<QWidget*>(frameWebPage), static_cast<QWidget*>(txtCharSet),
                         static_cast<QWidget*>(txtBGImage), static_cast<QWidget*>(txtHeader),
                         static_cast<QWidget*>(txtFooter)}) {
    layout.Widen(grows, TwipLayout::Widening::Stretches);
  }
}

GeneralPage::GeneralPage(TwipLayout& layout, QWidget* parent) : QWidget(parent) {
  auto* domains = Make<QGroupBox>(layout, "FrameDomains", this, OnPage(210, 945, 3060, 1485));
  const struct {
    const char* name;
    const char* caption;
    QCheckBox** box;
  } checks[] = {{"chkWWW", "www.&domain = http://www.domain", &chkWWW},
                {"chkFTP", "&ftp.domain = ftp://ftp.domain", &chkFTP},
                {"chkPunctuation", "&Remove trailing punctuation", &chkPunctuation},
                {"chkEmailCheck", "Enable e&mail address recognition", &chkEmailCheck}};
  int top = 135;
  for (const auto& check : checks) {
    *check.box = Make<QCheckBox>(layout, check.name, domains, QRect(105, top, 2850, 255),
                                 QString::fromLatin1(check.caption));
    top += 330;
  }

  // The frame's mnemonic moves to its first box, the font list.
  auto* font = Make<QGroupBox>(layout, "FrameFont", this, OnPage(3360, 945, 3270, 1485), QStringLiteral("Fo&nt"));
  cmbFonts = Make<NamedComboBox>(layout, "cmbFonts", font, QRect(105, 210, 3060, 315));
  cmbFonts->setEditable(true);
  cmbFonts->setInsertPolicy(QComboBox::NoInsert);
  cmbFonts->setMaxVisibleItems(16);
  cmbFonts->setAccessibleName(QStringLiteral("Font face"));
  txtFontSize = Make<QLineEdit>(layout, "txtFontSize", font, QRect(2730, 630, 435, 285));
  Caption(layout, "lblFontSize", QStringLiteral("&Size"), font, QRect(2100, 630, 540, 285), txtFontSize,
          Qt::AlignRight | Qt::AlignVCenter);
  butFontColor = Make<QPushButton>(layout, "butFontColor", font, QRect(105, 1050, 735, 330), QStringLiteral("Co&lor"));
  picFontColor = Make<ColourSwatch>(layout, "picFontColor", font, QRect(945, 1050, 330, 330));
  txtFontColor = Make<QLineEdit>(layout, "txtFontColor", font, QRect(1380, 1050, 1785, 330));
  txtFontColor->setAccessibleName(QStringLiteral("Font colour"));

  chkHideBanners =
      Make<QCheckBox>(layout, "chkBanner", this, OnPage(315, 2625, 2400, 255), QStringLiteral("Disable &banners"));
  // Link attributes that only the modern page writes.
  chkNewTab = Make<QCheckBox>(layout, "chkNewTab", this, OnPage(3465, 2625, 3150, 255),
                              QStringLiteral("Links o&pen in a new tab"));
  chkNewTab->setToolTip(QStringLiteral("Modern pages: target=\"_blank\" with rel=\"noopener noreferrer\""));
  chkNoFollow = Make<QCheckBox>(layout, "chkNoFollow", this, OnPage(3465, 2925, 3150, 255),
                                QStringLiteral("Links mar&ked nofollow"));
  chkNoFollow->setToolTip(QStringLiteral("Modern pages: rel=\"nofollow ugc\", for pages of user content"));
}

QString FamilyName(const QString& databaseName) {
  // The database tells apart families of one name by their foundry: "C059 [urw]".
  const qsizetype bracket = databaseName.lastIndexOf(QLatin1String(" ["));
  if (bracket <= 0 || !databaseName.endsWith(QLatin1Char(']'))) return databaseName;
  return databaseName.left(bracket);
}

QStringList FontFamilies() {
  QStringList families;
  for (const QString& name : QFontDatabase::families()) families << FamilyName(name);
  families.removeDuplicates();
  std::sort(families.begin(), families.end(),
            [](const QString& a, const QString& b) { return QString::localeAwareCompare(a, b) < 0; });
  return families;
}

void GeneralPage::LoadFontsOnce() {
  if (cmbFonts->count() >= 2 || !fontsToLoad_.isEmpty()) return;
  fontsToLoad_ = FontFamilies();
  LoadNextFonts();
}

bool GeneralPage::FontsStillLoading() const { return cmbFonts->count() < FontFamilies().size(); }

void GeneralPage::LoadNextFonts() {
  constexpr int kFontsPerStep = 5;
  const QString typed = cmbFonts->currentText();
  const int count = std::min<int>(kFontsPerStep, static_cast<int>(fontsToLoad_.size()));
  cmbFonts->addItems(fontsToLoad_.mid(0, count));
  fontsToLoad_.remove(0, count);
  // Adding to an empty list picks its first entry; the face already shown stays.
  if (cmbFonts->currentText() != typed) cmbFonts->setEditText(typed);
  if (!fontsToLoad_.isEmpty()) QTimer::singleShot(0, this, &GeneralPage::LoadNextFonts);
}

AboutPage::AboutPage(TwipLayout& layout, QWidget* parent) : QWidget(parent) {
  auto* frame = Make<QGroupBox>(layout, "FrameLogo", this, OnPage(315, 945, 6210, 1905));
  auto* logo = Make<QLabel>(layout, "picLogo", frame, QRect(210, 240, 960, 960));
  logo->setAlignment(Qt::AlignCenter);
  logo->setPixmap(ProgramPicture(64));

  lblProgName = Caption(layout, "lblProgName", QString::fromLatin1(kProgName), frame, QRect(1380, 210, 4620, 420));
  QFont big = lblProgName->font();
  big.setPointSizeF(big.pointSizeF() * 1.5);
  big.setBold(true);
  lblProgName->setFont(big);
  Caption(layout, "lblDescription", QStringLiteral("Plain text to HTML, quickly."),
          frame, QRect(1380, 690, 4620, 255));
  Caption(layout, "lblNotice", QStringLiteral("Made by %1.").arg(QString::fromLatin1(kMakerName)),
          frame, QRect(1380, 990, 4620, 255));

  const auto linkLabel = [&](const char* name, const QString& text, int top) {
    auto* label = Make<ClickLabel>(layout, name, frame, QRect(1380, top, 4620, 255), text);
    QFont underlined = label->font();
    underlined.setUnderline(true);
    label->setFont(underlined);
    label->SetLink();
    return label;
  };
  lblWebAddress = linkLabel("lblWebAddress", QString::fromLatin1(kMakerHomePage), 1320);
  lblWebAddress->setToolTip(QStringLiteral("Open the home page in your browser"));
  lblMailAddress = linkLabel("lblMailAddress", QString::fromLatin1(kMakerMail), 1590);
  lblMailAddress->setToolTip(QStringLiteral("Write a mail to the makers"));
}

}  // namespace scrivane
