// The four pages of the window's tab control. Each page builds its controls at
// their design positions and exposes them; the window wires up their behaviour.
#pragma once

#include <QStringList>
#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace scrivane {

class ClickLabel;
class ColourSwatch;
class SamplePreview;
class TwipLayout;

// Height of the tab strip in the design: page controls' design tops count from the
// tab control's top edge, so this much is taken off them.
inline constexpr int kTabStripTwips = 345;

// "Input/Output": source and destination, each clipboard or a file with a history.
class InputOutputPage : public QWidget {
  Q_OBJECT

 public:
  explicit InputOutputPage(TwipLayout& layout, QWidget* parent = nullptr);

  QGroupBox* frameInput;
  QButtonGroup* optInput;      // ids kClipboard and kFile
  QComboBox* cmbInFile;
  QPushButton* butInBrowse;
  QGroupBox* frameOutput;
  QButtonGroup* optOutput;
  QComboBox* cmbOutFile;
  QPushButton* butOutBrowse;
};

// "Web Page properties": whether to write a whole page, and its colours, title and foot.
class WebPage : public QWidget {
  Q_OBJECT

 public:
  explicit WebPage(TwipLayout& layout, QWidget* parent = nullptr);

  QCheckBox* chkWebPage;
  QCheckBox* chkModern;
  QGroupBox* frameWebPage;
  QPushButton* butBGColor;
  ColourSwatch* picBGColor;
  QLineEdit* txtBGColor;
  QPushButton* butText;
  ColourSwatch* picTextColor;
  QLineEdit* txtTextColor;
  SamplePreview* picPage;
  QLineEdit* txtCharSet;
  QLineEdit* txtBGImage;
  QLineEdit* txtHeader;
  QPlainTextEdit* txtFooter;
};

// "General": link recognition, the font and the banner switch.
class GeneralPage : public QWidget {
  Q_OBJECT

 public:
  explicit GeneralPage(TwipLayout& layout, QWidget* parent = nullptr);

  // Fills the font list with FontFamilies(), a few names at a time so the
  // window answers meanwhile; only while the list holds fewer than two names.
  void LoadFontsOnce();
  // True while the font list holds fewer names than FontFamilies().
  bool FontsStillLoading() const;

  QCheckBox* chkWWW;
  QCheckBox* chkFTP;
  QCheckBox* chkPunctuation;
  QCheckBox* chkEmailCheck;
  QComboBox* cmbFonts;
  QLineEdit* txtFontSize;
  QPushButton* butFontColor;
  ColourSwatch* picFontColor;
  QLineEdit* txtFontColor;
  QCheckBox* chkHideBanners;  // checked: the tips strip is hidden
  QCheckBox* chkNewTab;
  QCheckBox* chkNoFollow;

 private:
  void LoadNextFonts();

  QStringList fontsToLoad_;
};

// The family name a font database entry stands for, as a web page names it: the
// foundry the database adds to tell families of one name apart is dropped.
QString FamilyName(const QString& databaseName);

// The screen's font families under the names a browser knows, each once, sorted.
QStringList FontFamilies();

// "About": the product, its version and its maker.
class AboutPage : public QWidget {
  Q_OBJECT

 public:
  explicit AboutPage(TwipLayout& layout, QWidget* parent = nullptr);

  QLabel* lblProgName;
  ClickLabel* lblWebAddress;
  ClickLabel* lblMailAddress;
};

}  // namespace scrivane
