// The program's one window, frmMain: the format controls and buttons on top, four
// pages of options, the progress strip and the banner; or, in bar mode, just the
// top row as a small window that stays above the others.
#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "form.h"
#include "messages.h"
#include "twip_layout.h"

class QCheckBox;
class QComboBox;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QResizeEvent;
class QTabWidget;
class QTimer;

namespace scrivane {

class AboutPage;
class AppSettings;
class ClickLabel;
class ColourField;
class ConversionJob;
class Desktop;
class GeneralPage;
class InputOutputPage;
class StatusStrip;
class WebPage;

// frmMain. Every control carries its design name as its Qt object name.
class MainWindow : public QWidget {
  Q_OBJECT

 public:
  // Builds the window with its design texts; Load fills it from the store.
  MainWindow(AppSettings& settings, Desktop& desktop, QWidget* parent = nullptr);
  // Waits for a running conversion before the controls go.
  ~MainWindow() override;

  // Start-up: caption, position and histories from the store, then every stored
  // option through the controls' own change behaviour.
  void Load();
  // The controls' current values.
  FormState ReadForm() const;
  // Puts the stored options of `form` into the controls (file names excepted).
  void ApplyForm(const FormState& form);
  // The items of cmbInFile (input) or cmbOutFile.
  std::vector<std::string> History(bool input) const;
  // One tick of Timer1: loads the font list once and shows the next banner tip.
  void OnTimerTick();
  // True while a conversion started with Convert is running.
  bool IsConverting() const;
  // True in bar mode.
  bool IsBar() const { return bar_; }
  // The placement of the controls (twips to pixels).
  const TwipLayout& Layout() const { return layout_; }
  // The window caption outside bar mode.
  static QString Caption();
  // The tips the banner shows in turn.
  static const QStringList& BannerTips();
  // The help document shown by Help and F1.
  static QUrl HelpDocument();

 signals:
  // The exit sequence has run; the program should end.
  void ExitRequested();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // The format list, its option box and the check boxes beside them.
  void BuildTopRow();
  // Restore, Exit, Convert, Stop and Help, and the bar's grip.
  void BuildCommandButtons();
  // The progress strip with its Open button, and the banner.
  void BuildStatusRows();
  // The colour buttons, swatches and boxes of the pages, and the sample's colours.
  void BuildColourFields();
  // The structured format's three boxes, in the option box's column.
  void BuildStructureBoxes();
  void BuildPages();
  void ConnectControls();
  void ConnectOptionControls();
  void ConnectKeys();
  void OrderTabs();
  void FitToFont();
  // Lets the window grow wider than its design (the text boxes stretch), never taller.
  void AllowWidening();
  void PlaceOpenResultButton();
  void ApplyColours();
  // Moves the window so that its title bar, or all of it, lies on a screen.
  void PlaceOnScreen(bool wholeWindow);
  void FollowInput(const QString& input);

  OutputFormat CurrentFormat() const;
  void ArrangeForFormat();
  void CommitOptionText();
  void UpdateSourceControls();
  void OnInputKindChanged(int kind);
  void UpdateWebPageFrame();
  void UpdateModernControls();
  void RedrawSample();
  void OnBannerClicked();
  void ToggleBar();
  QSize NormalSize() const;
  QSize BarSize() const;
  void DragBar(QMouseEvent* event);
  void BrowseInput();
  void BrowseOutput();
  void ShowHelp();
  void OnConvert();
  // True when `path` may be written: nothing is there, the window wrote it and it is
  // unchanged since, or the user agreed to replace it.
  bool MayReplace(const QString& path);
  void NoteWritten(const QString& path);
  void StopConversion();
  // Swaps Convert for Stop while a conversion runs, and back.
  void ShowRunning(bool running);
  void OnConversionFinished();
  void OfferResult(const QString& outputPath);
  void OpenResult();
  void OpenAddress(const QUrl& url, const QString& shown);
  void ShowBarStatus(const QString& text);
  bool HandleFileDrop(QDropEvent* event);
  void TakeDroppedFile(const QString& path);
  void ShowRunMessage(const RunMessage& message);
  void AddToHistory(QComboBox* box, const QString& text);
  void RunExitSequence();

  AppSettings& settings_;
  Desktop& desktop_;
  TwipLayout layout_;
  ConversionJob* job_;

  QLabel* picSmall_;
  QLabel* lblFormat_;
  QComboBox* cmbFormat_;
  QLabel* lblSeparator_;
  QComboBox* cmbSeparator_;
  QCheckBox* chkCentre_;
  QCheckBox* chkButton_;
  QCheckBox* chkHeaderRow_;
  QCheckBox* chkContents_;     // structured text: a table of contents
  QCheckBox* chkLineBreaks_;   // structured text: a paragraph's lines stay lines
  QCheckBox* chkInlineMarks_;  // structured text: *strong*, _emphasis_ and `code`
  ClickLabel* lblAppSize_;
  QLabel* lblMove_;
  QPushButton* butExit_;
  QPushButton* butConvert_;
  QPushButton* butStop_;
  QPushButton* butHelp_;
  QTabWidget* ssTab_;
  StatusStrip* picProgress_;
  QPushButton* butOpenResult_;
  QLabel* lblBanner_;
  QLabel* lblBarStatus_;
  QTimer* timer_;
  InputOutputPage* ioPage_;
  WebPage* webPage_;
  GeneralPage* generalPage_;
  AboutPage* aboutPage_;

  ColourField* bgColour_;
  ColourField* textColour_;
  ColourField* fontColour_;

  // The options the window keeps itself: the remembered texts of the option box.
  FormState remembered_;
  // The names the running conversion was started with, for the histories.
  QString runInFile_;
  QString runOutFile_;
  std::string runInputName_;  // the running input as a warning names it
  // The document the completion strip offers to open, "" when it offers none.
  QString resultPath_;
  // The input name the output box's proposal follows.
  QString inputShown_;
  // The files this window wrote since it started (by canonical path), each with its
  // modification time (ms) and size just after the write.
  std::map<QString, std::pair<qint64, qint64>> written_;
  // How much wider than its design the user made the window (pixels).
  int extraWidth_ = 0;
  // True while the window itself refills the file boxes.
  bool fillingFileBoxes_ = false;
  // The stored position (twips) and where the window was put for it: left there,
  // the window leaves the stored value as it was.
  std::optional<QPointF> storedTwips_;
  QPoint placedAt_;
  bool placeSettled_ = false;
  int bannerIndex_ = 0;
  bool bar_ = false;
  bool exited_ = false;
};

}  // namespace scrivane
