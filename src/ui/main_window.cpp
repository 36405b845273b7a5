// frmMain: building the controls, and every handler of the window.
#include "main_window.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDateTime>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <utility>

#include "colour_field.h"
#include "colour_text.h"
#include "conversion_job.h"
#include "desktop.h"
#include "form_binding.h"
#include "messages.h"
#include "pages.h"
#include "placement.h"
#include "platform.h"
#include "qt_text.h"
#include "settings.h"
#include "theme.h"
#include "widgets.h"

namespace scrivane {
namespace {

constexpr int kTimerInterval = 5000;
constexpr int kBannerTop = 5250;
constexpr int kBannerHeight = 435;
// Space below the banner, and right of the Help button, in the design.
constexpr int kBottomMargin = 120;
constexpr int kRightMargin = 210;
// Space around the Exit and Convert buttons in bar mode.
constexpr int kBarMargin = 200;

// A fixed-size window: no maximise button. The bar has no frame at all, which
// rules out title bar buttons too (Qt would give it a title bar for them).
constexpr Qt::WindowFlags kWindowFlags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                         Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                                         Qt::WindowCloseButtonHint;
constexpr Qt::WindowFlags kBarFlags = Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;

// The window's own colours on a light desktop, and their dark counterparts.
const QColor kWindowGrey = ColourOfValue(0x00C0C0C0);
const QColor kLightGreen = ColourOfValue(0x00C0FFC0);
const QColor kDarkGreen(0x1E, 0x50, 0x1E);
const QColor kLightCyan = ColourOfValue(0x00FFFFC0);
const QColor kNavy(0, 0, 0x80);
const QColor kLinkBlue(0, 0, 0xCC);
const QColor kPaleBlue(0xA8, 0xC7, 0xFA);
const QColor kGripGrey(0x80, 0x80, 0x80);
// The rings of radio buttons and check boxes (over 3:1 against the window), and how
// much darker than a box's window colour the style draws them.
const QColor kRingOnLight(0x50, 0x50, 0x50);
const QColor kRingOnDark(0xA8, 0xA8, 0xA8);
constexpr int kRingShade = 150;
// Text of a greyed-out control on the light window: plainly fainter than black, still legible.
const QColor kDisabledOnLight(0x70, 0x70, 0x70);

const QString kTextFilters = QStringLiteral("Text (*.txt);;All (*)");
const QString kHtmlFilters = QStringLiteral("HTML (*.html *.htm);;All (*)");

template <typename T>
T* Named(const char* name, T* widget) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

// A palette that sets only the given roles; the others follow the parent's.
QPalette Roles(std::initializer_list<std::pair<QPalette::ColorRole, QColor>> colours) {
  QPalette palette;
  for (const auto& [role, colour] : colours) palette.setColor(role, colour);
  return palette;
}

// The output name proposed for an input: its name with ".html" added; none for none.
QString ProposedOutput(const QString& input) { return input.isEmpty() ? QString() : input + QStringLiteral(".html"); }

// True for Up or Down alone, which in a file box open its history.
bool OpensHistory(const QKeyEvent* key) {
  return (key->key() == Qt::Key_Down || key->key() == Qt::Key_Up) &&
         (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

// What tells one version of a file from the next: its modification time (ms) and size.
std::pair<qint64, qint64> VersionOf(const QFileInfo& file) {
  return {file.lastModified().toMSecsSinceEpoch(), file.size()};
}

// A label's text without its mnemonic's "&", as screen readers name its buddy.
QString PlainCaption(const QLabel* label) {
  QString text = label->text();
  return text.replace(QRegularExpression(QStringLiteral("&(.)")), QStringLiteral("\\1"));
}

// Puts the values `row` offers into the option box, under the row's caption, with
// the text last used for it in `remembered`. The list opens as wide as its widest entry.
void OfferValues(const OptionRow& row, const FormState& remembered, QLabel* label, QComboBox* box) {
  const QString caption = FromStd(row.caption);
  label->setText(caption);
  box->setAccessibleName(caption);
  box->clear();
  int widest = 0;
  for (const std::string_view value : row.offered) {
    box->addItem(FromStd(value));
    widest = std::max(widest, box->fontMetrics().horizontalAdvance(box->itemText(box->count() - 1)));
  }
  const int padding =
      2 * box->fontMetrics().averageCharWidth() + box->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  box->view()->setMinimumWidth(widest + padding);
  box->setEditText(FromStd(row.Text(remembered)));
}

// The first local file (not a folder) among dragged items, or "" when there is none.
QString DraggedFile(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) return {};
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile()) return url.toLocalFile();
  }
  return {};
}

}  // namespace

MainWindow::MainWindow(AppSettings& settings, Desktop& desktop, QWidget* parent)
    : QWidget(parent, kWindowFlags),
      settings_(settings),
      desktop_(desktop),
      job_(new ConversionJob(this)) {
  setObjectName(QStringLiteral("frmMain"));
  DescribeControlsForScreenReaders();
  setWindowTitle(Caption());
  setWindowIcon(ProgramIcon());
  setAutoFillBackground(true);

  BuildTopRow();
  BuildCommandButtons();
  BuildStatusRows();
  BuildPages();
  ApplyColours();
  FitToFont();
  ConnectControls();
  ConnectKeys();
  OrderTabs();

  timer_ = Named("Timer1", new QTimer(this));
  timer_->setInterval(kTimerInterval);
  connect(timer_, &QTimer::timeout, this, &MainWindow::OnTimerTick);
  timer_->start();
  lblBanner_->setText(BannerTips().constFirst());

  // A file dropped anywhere on the window becomes the input. Text boxes take drops
  // of text themselves, so they hand dropped files on to the window.
  setAcceptDrops(true);
  for (QWidget* child : findChildren<QWidget*>()) {
    if (child->acceptDrops()) child->installEventFilter(this);
  }
}

MainWindow::~MainWindow() = default;

QString MainWindow::Caption() {
  return QStringLiteral("%1 v%2 - plain text to HTML").arg(QString::fromLatin1(kProgName), QString::fromLatin1(kVersionText));
}

const QStringList& MainWindow::BannerTips() {
  static const QStringList tips = {
      QStringLiteral("Press F1 for help on every option."),
      QStringLiteral("Web and mail addresses become links."),
      QStringLiteral("\"Bar\" shrinks this window to a small bar."),
      QStringLiteral("Take the text from the clipboard: no file."),
      QStringLiteral("HTML Table splits each line at a separator."),
      QStringLiteral("From a shell: scrivane notes.txt"),
  };
  return tips;
}

QUrl MainWindow::HelpDocument() { return QUrl(QStringLiteral("qrc:/scrivane/docs/help.html")); }

void MainWindow::BuildTopRow() {
  picSmall_ = Named("picSmall", new QLabel(this));
  picSmall_->setAlignment(Qt::AlignCenter);
  layout_.Place(picSmall_, 0, 0, 510, 510);

  lblFormat_ = Named("lblFormat", new QLabel(QStringLiteral("Output Format"), this));
  layout_.Place(lblFormat_, 630, 0, 2115, 210);
  cmbFormat_ = Named("cmbFormat", new NamedComboBox(this));
  for (const char* name : kFormatNames) cmbFormat_->addItem(QString::fromLatin1(name));
  layout_.Place(cmbFormat_, 630, 210, 2115, 315);
  lblFormat_->setBuddy(cmbFormat_);  // the label's mnemonic moves to the list
  cmbFormat_->setAccessibleName(PlainCaption(lblFormat_));  // a list would be named by its value
  // After a conversion started from the bar, its outcome in place of the format's label.
  lblBarStatus_ = Named("lblBarStatus", new QLabel(this));
  lblBarStatus_->setAutoFillBackground(true);  // covers the option box's label too
  lblBarStatus_->hide();
  layout_.Place(lblBarStatus_, 630, 0, 3375, 210);

  // Caption and values are the format's (ArrangeForFormat); the table's until a format has them.
  lblSeparator_ = Named("lblSeparator", new QLabel(FromStd(OptionFor(&FormState::separator)->caption), this));
  layout_.Place(lblSeparator_, 2835, 0, 1170, 210);
  cmbSeparator_ = Named("cmbSeparator", new NamedComboBox(this));
  cmbSeparator_->setEditable(true);
  cmbSeparator_->setInsertPolicy(QComboBox::NoInsert);
  layout_.Place(cmbSeparator_, 2835, 210, 1170, 315);
  lblSeparator_->setBuddy(cmbSeparator_);
  cmbSeparator_->setAccessibleName(PlainCaption(lblSeparator_));

  chkCentre_ = Named("chkCentre", new QCheckBox(QStringLiteral("Cen&ter"), this));
  layout_.Place(chkCentre_, 1260, 630, 855, 225);
  chkButton_ = Named("chkButton", new QCheckBox(QStringLiteral("Go B&utton"), this));
  layout_.Place(chkButton_, 2835, 630, 1065, 225);
  chkHeaderRow_ = Named("chkHeaderRow", new QCheckBox(QStringLiteral("Row &1 headings"), this));
  chkHeaderRow_->setToolTip(QStringLiteral("Modern pages: the first row holds the column headings"));
  layout_.Place(chkHeaderRow_, 2835, 630, 1365, 225);
  BuildStructureBoxes();
}

void MainWindow::BuildCommandButtons() {
  // Reached with Tab and worked with Space or Return, as a button is.
  lblAppSize_ = Named("lblAppSize", new ClickLabel(QStringLiteral("Restore"), this));
  lblAppSize_->setAlignment(Qt::AlignCenter);
  lblAppSize_->setAutoFillBackground(true);
  lblAppSize_->setToolTip(QStringLiteral("Shrink the window to a small bar, or restore it"));
  lblAppSize_->setAccessibleDescription(lblAppSize_->toolTip());
  layout_.Place(lblAppSize_, 0, 630, 645, 225);

  lblMove_ = Named("lblMove", new QLabel(this));
  lblMove_->setAutoFillBackground(true);
  lblMove_->setToolTip(QStringLiteral("Drag with the left button to move the bar"));
  lblMove_->hide();
  lblMove_->installEventFilter(this);
  layout_.Place(lblMove_, 5250, 840, 330, 330);

  butExit_ = Named("butExit", new QPushButton(QStringLiteral("E&xit"), this));
  layout_.Place(butExit_, 4200, 105, 1065, 330);
  butConvert_ = Named("butConvert", new DefaultButton(QStringLiteral("&Convert"), this));
  layout_.Place(butConvert_, 4200, 525, 1065, 330);  // Return converts (keyPressEvent)
  // In Convert's place while a conversion runs; Esc works it too.
  butStop_ = Named("butStop", new QPushButton(QStringLiteral("Stop"), this));
  butStop_->setToolTip(QStringLiteral("Stop the conversion; the output file stays as it was"));
  layout_.Place(butStop_, 4200, 525, 1065, 330);
  butStop_->hide();
  butHelp_ = Named("butHelp", new QPushButton(QStringLiteral("&Help"), this));
  layout_.Place(butHelp_, 5565, 105, 1275, 330);
}

void MainWindow::BuildStatusRows() {
  picProgress_ = Named("picProgress", new StatusStrip(this));
  picProgress_->setAccessibleName(QStringLiteral("Progress"));
  layout_.Place(picProgress_, 105, 4725, 6840, 450);
  layout_.Widen(picProgress_, TwipLayout::Widening::Stretches);
  // Shown at the strip's right end after a conversion to a file.
  butOpenResult_ = Named("butOpenResult", new QPushButton(QStringLiteral("&Open in Browser"), picProgress_));
  butOpenResult_->setToolTip(QStringLiteral("Open the HTML document in the default web browser"));
  butOpenResult_->hide();

  lblBanner_ = Named("lblBanner", new QLabel(this));
  QFont arial(QStringLiteral("Arial"));
  arial.setPointSizeF(14.25);
  lblBanner_->setFont(arial);
  lblBanner_->setAlignment(Qt::AlignCenter);
  layout_.Place(lblBanner_, 105, kBannerTop, 6840, kBannerHeight);
  layout_.Widen(lblBanner_, TwipLayout::Widening::Stretches);
}

void MainWindow::BuildStructureBoxes() {
  // The structured format neither centres nor has an option box: its boxes take those places,
  // clear of the strip where the bar shows the outcome of a conversion.
  chkLineBreaks_ = Named("chkLineBreaks", new QCheckBox(QStringLiteral("Lines as t&yped"), this));
  chkLineBreaks_->setToolTip(QStringLiteral("Each line of a paragraph stays a line"));
  layout_.Place(chkLineBreaks_, 2835, 255, 1365, 225);
  chkContents_ = Named("chkContents", new QCheckBox(QStringLiteral("Headings o&verview"), this));
  chkContents_->setToolTip(QStringLiteral("A table of contents of the headings at the top of the page"));
  layout_.Place(chkContents_, 840, 630, 1905, 225);
  chkInlineMarks_ = Named("chkInlineMarks", new QCheckBox(QStringLiteral("Styli&ze marks"), this));
  chkInlineMarks_->setToolTip(QStringLiteral("*strong*, _emphasis_ and `code` become bold, italic and code"));
  layout_.Place(chkInlineMarks_, 2835, 630, 1365, 225);
}

void MainWindow::ApplyColours() {
  // Every colour set here comes with the one it is read against. On a dark desktop
  // the window follows the desktop's palette, and the green and blue turn dark and pale.
  const QPalette desktop = QApplication::palette(this);
  const bool dark = IsDark(desktop);
  QPalette own = Roles({{QPalette::Window, kWindowGrey}, {QPalette::WindowText, Qt::black}});
  own.setColor(QPalette::Disabled, QPalette::WindowText, kDisabledOnLight);  // greyed-out controls look it
  setPalette(dark ? QPalette() : own);
  const QColor window = dark ? desktop.color(QPalette::Window) : kWindowGrey;
  const QColor green = dark ? kDarkGreen : kLightGreen;
  const QColor onGreen = dark ? QColor(Qt::white) : QColor(Qt::black);
  for (QWidget* strip : {static_cast<QWidget*>(lblAppSize_), static_cast<QWidget*>(picProgress_)}) {
    strip->setPalette(Roles({{QPalette::Window, green}, {QPalette::WindowText, onGreen}}));
  }
  lblMove_->setPalette(Roles({{QPalette::Window, kGripGrey}}));
  const QColor text = desktop.color(QPalette::WindowText);
  lblBanner_->setPalette(Roles({{QPalette::WindowText, ReadableOn(dark ? kPaleBlue : kNavy, window, text)}}));
  const QColor link = ReadableOn(desktop.color(QPalette::Link), window, dark ? kPaleBlue : kLinkBlue);
  for (ClickLabel* label : {aboutPage_->lblWebAddress, aboutPage_->lblMailAddress}) {
    label->setPalette(Roles({{QPalette::WindowText, link}}));
  }
  webPage_->txtHeader->setPalette(dark ? QPalette()
                                       : Roles({{QPalette::Base, kLightCyan}, {QPalette::Text, Qt::black}}));
  // The style draws the ring of a radio button or check box a shade darker than the
  // box's own window colour, faint on either desktop: that colour is picked so the
  // ring stands out from what lies behind it.
  const QColor ring = dark ? kRingOnDark : kRingOnLight;
  for (QAbstractButton* box : findChildren<QAbstractButton*>()) {
    if (qobject_cast<QRadioButton*>(box) || qobject_cast<QCheckBox*>(box)) {
      box->setPalette(Roles({{QPalette::Window, ring.lighter(kRingShade)}}));
    }
  }
}

void MainWindow::BuildPages() {
  ssTab_ = Named("SSTab1", new QTabWidget(this));
  layout_.Place(ssTab_, 105, 1050, 6840, 3585);
  layout_.Widen(ssTab_, TwipLayout::Widening::Stretches);
  ioPage_ = Named("pageInputOutput", new InputOutputPage(layout_));
  webPage_ = Named("pageWebPage", new WebPage(layout_));
  generalPage_ = Named("pageGeneral", new GeneralPage(layout_));
  aboutPage_ = Named("pageAbout", new AboutPage(layout_));
  ssTab_->addTab(ioPage_, QStringLiteral("&Input/Output"));
  ssTab_->addTab(webPage_, QStringLiteral("&Web Page properties"));
  ssTab_->addTab(generalPage_, QStringLiteral("&General"));
  ssTab_->addTab(aboutPage_, QStringLiteral("&About"));
  ssTab_->setAccessibleName(QStringLiteral("Pages"));
  ssTab_->tabBar()->setAccessibleName(ssTab_->accessibleName());
  ssTab_->setCurrentIndex(0);
  aboutPage_->lblProgName->setText(
      QStringLiteral("%1 v%2").arg(QString::fromLatin1(kProgName), QString::fromLatin1(kVersionText)));
}

void MainWindow::FitToFont() {
  // Measure with the widest text each control can show, then place everything.
  QString longestTip;
  for (const QString& tip : BannerTips()) {
    if (lblBanner_->fontMetrics().horizontalAdvance(tip) > lblBanner_->fontMetrics().horizontalAdvance(longestTip)) {
      longestTip = tip;
    }
  }
  lblBanner_->setText(longestTip);
  layout_.SetScale(layout_.RequiredScale());
  layout_.Apply();
  lblAppSize_->setText(QStringLiteral("Bar"));
  const int small = std::min(picSmall_->width(), picSmall_->height());
  picSmall_->setPixmap(ProgramPicture(small - small / 8));
  AllowWidening();
  PlaceOpenResultButton();
  // Only the grip's top-left part lies inside the bar.
  lblMove_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lblMove_->setPixmap(GripPicture(lblMove_->width(), std::min(BarSize().width() - lblMove_->x(),
                                                               BarSize().height() - lblMove_->y())));
}

void MainWindow::PlaceOpenResultButton() {
  const QRect strip = picProgress_->contentsRect();
  const QSize offer = butOpenResult_->sizeHint().boundedTo(strip.size());
  butOpenResult_->setGeometry(strip.right() - offer.width() - 1, strip.center().y() - offer.height() / 2 + 1,
                              offer.width(), offer.height());
}

void MainWindow::AllowWidening() {
  setMinimumSize(NormalSize());
  setMaximumSize(QWIDGETSIZE_MAX, NormalSize().height());
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (bar_) return;
  const int extra = std::max(0, width() - NormalSize().width());
  if (extra == extraWidth_) return;
  extraWidth_ = extra;
  layout_.SetExtraWidth(extra);
  layout_.Apply();
  OnBannerClicked();  // the banner keeps its height, or none
  PlaceOpenResultButton();
  OfferResult(resultPath_);
}

void MainWindow::OrderTabs() {
  // Row by row, left to right, as the controls are read: the format row with Exit and
  // Help, then the row with Bar, the check boxes and Convert (or Stop), then the pages.
  const QWidget* order[] = {cmbFormat_,    cmbSeparator_, chkLineBreaks_, butExit_,        butHelp_,
                            lblAppSize_,   chkCentre_,    chkContents_,   chkButton_,      chkHeaderRow_,
                            chkInlineMarks_, butConvert_, butStop_,       ssTab_};
  for (std::size_t i = 1; i < std::size(order); ++i) {
    setTabOrder(const_cast<QWidget*>(order[i - 1]), const_cast<QWidget*>(order[i]));
  }
}

void MainWindow::ConnectControls() {
  connect(butConvert_, &QPushButton::clicked, this, &MainWindow::OnConvert);
  connect(butStop_, &QPushButton::clicked, this, &MainWindow::StopConversion);
  connect(butExit_, &QPushButton::clicked, this, &QWidget::close);
  connect(butHelp_, &QPushButton::clicked, this, &MainWindow::ShowHelp);
  connect(butOpenResult_, &QPushButton::clicked, this, &MainWindow::OpenResult);
  auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
  help->setContext(Qt::WindowShortcut);
  connect(help, &QShortcut::activated, this, &MainWindow::ShowHelp);

  connect(ioPage_->optInput, &QButtonGroup::idClicked, this, &MainWindow::OnInputKindChanged);
  connect(ioPage_->optOutput, &QButtonGroup::idClicked, this, &MainWindow::UpdateSourceControls);
  connect(ioPage_->butInBrowse, &QPushButton::clicked, this, &MainWindow::BrowseInput);
  connect(ioPage_->butOutBrowse, &QPushButton::clicked, this, &MainWindow::BrowseOutput);

  connect(cmbFormat_, &QComboBox::activated, this, &MainWindow::ArrangeForFormat);
  connect(cmbSeparator_, &QComboBox::activated, this, &MainWindow::CommitOptionText);
  cmbSeparator_->installEventFilter(this);
  ioPage_->cmbInFile->installEventFilter(this);
  ioPage_->cmbOutFile->installEventFilter(this);

  connect(webPage_->chkWebPage, &QCheckBox::clicked, this, [this] {
    UpdateWebPageFrame();
    RedrawSample();
  });
  connect(generalPage_->chkHideBanners, &QCheckBox::clicked, this, &MainWindow::OnBannerClicked);
  connect(webPage_->chkModern, &QCheckBox::clicked, this, &MainWindow::UpdateModernControls);
  ConnectOptionControls();

  BuildColourFields();
  generalPage_->cmbFonts->installEventFilter(this);

  connect(ssTab_, &QTabWidget::currentChanged, this, &MainWindow::RedrawSample);
  connect(lblAppSize_, &ClickLabel::clicked, this, &MainWindow::ToggleBar);
  connect(aboutPage_->lblWebAddress, &ClickLabel::clicked, this, [this] {
    OpenAddress(QUrl(QString::fromLatin1(kMakerHomePage)), QString::fromLatin1(kMakerHomePage));
  });
  connect(aboutPage_->lblMailAddress, &ClickLabel::clicked, this, [this] {
    OpenAddress(QUrl(QStringLiteral("mailto:") + QString::fromLatin1(kMakerMail)), QString::fromLatin1(kMakerMail));
  });
  // Typing or picking another input moves a proposed output name along with it.
  connect(ioPage_->cmbInFile, &QComboBox::editTextChanged, this, &MainWindow::FollowInput);

  connect(job_, &ConversionJob::StatusChanged, picProgress_, &StatusStrip::SetText);
  connect(job_, &ConversionJob::StatusChanged, this, [this](const QString& text) {
    if (bar_) ShowBarStatus(text.trimmed());
  });
  connect(job_, &ConversionJob::DocumentReady, this, [](const QString& document) { SetClipboardText(document); });
  connect(job_, &ConversionJob::Finished, this, &MainWindow::OnConversionFinished);
}

void MainWindow::BuildColourFields() {
  using Reading = ColourField::Reading;
  bgColour_ = new ColourField(webPage_->butBGColor, webPage_->picBGColor, webPage_->txtBGColor, Reading::HashFirst,
                              desktop_, this);
  textColour_ = new ColourField(webPage_->butText, webPage_->picTextColor, webPage_->txtTextColor,
                                Reading::HashFirst, desktop_, this);
  fontColour_ = new ColourField(generalPage_->butFontColor, generalPage_->picFontColor, generalPage_->txtFontColor,
                                Reading::AnyFirst, desktop_, this);
  // The sample shows the page's colours as they are typed; text that names none shows black.
  connect(bgColour_, &ColourField::ColourChanged, this, [this] {
    webPage_->picPage->SetBackground(bgColour_->TypedColour().value_or(ColourOfValue(kLightGrey)));
  });
  connect(textColour_, &ColourField::ColourChanged, this,
          [this] { webPage_->picPage->SetTextColour(textColour_->TypedColour().value_or(Qt::black)); });
}

void MainWindow::ConnectKeys() {
  // The pages turn with Ctrl+Tab and Ctrl+PgDn (back with Shift, or PgUp) wherever the focus is.
  const auto turn = [this](int step) {
    if (bar_) return;
    ssTab_->setCurrentIndex((ssTab_->currentIndex() + step + ssTab_->count()) % ssTab_->count());
  };
  const std::pair<QKeySequence, int> keys[] = {{QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
                                               {QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1},
                                               {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1},
                                               {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), -1},
                                               {QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1}};
  for (const auto& [key, step] : keys) {
    auto* shortcut = new QShortcut(key, this);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, [turn, step = step] { turn(step); });
  }
  // Return on a focused button presses that button, as in a dialog; elsewhere it converts.
  for (QPushButton* button : findChildren<QPushButton*>()) button->setAutoDefault(true);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && job_->IsRunning()) {
    StopConversion();
    event->accept();
    return;
  }
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    if (butConvert_->isEnabled()) butConvert_->click();
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

bool MainWindow::event(QEvent* event) {
  const bool handled = QWidget::event(event);
  // The window manager may nudge a new window as it frames it; where the window is
  // when it is first activated is where start-up put it.
  if (event->type() == QEvent::WindowActivate && !placeSettled_) {
    if (!bar_) PlaceOnScreen(true);  // now with the frame the manager really gave it
    placedAt_ = pos();
    placeSettled_ = true;
  }
  // The desktop switched between light and dark.
  if (event->type() == QEvent::ApplicationPaletteChange || event->type() == QEvent::ThemeChange) ApplyColours();
  return handled;
}

void MainWindow::ConnectOptionControls() {
  // Each option's control saves it the moment it changes when its row says so.
  for (const OptionRow& row : OptionTable()) {
    QObject* control = ControlOf(this, row);
    if (auto* box = qobject_cast<QCheckBox*>(control)) {
      // After a click the box is an ordinary two-state box again.
      connect(box, &QCheckBox::clicked, box, [box] { box->setTristate(false); });
    }
    if (row.saved != SaveTime::AtOnce || control == nullptr) continue;
    const auto save = [this, row = &row] {
      FormState form;
      ReadOption(this, *row, form);
      settings_.SaveOption(*row, form);
    };
    if (auto* box = qobject_cast<QCheckBox*>(control)) {
      connect(box, &QCheckBox::clicked, this, save);
    } else if (auto* group = qobject_cast<QButtonGroup*>(control)) {
      connect(group, &QButtonGroup::idClicked, this, save);
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
      connect(combo, &QComboBox::activated, this, save);
    }
  }
}

// ---- Start-up and the form -------------------------------------------------

void MainWindow::Load() {
  setWindowTitle(Caption());
  const QRect screen = this->screen() ? this->screen()->geometry() : QRect(0, 0, 1024, 768);
  const WindowPosition stored = settings_.LoadPosition();
  double left = stored.left ? *stored.left / kTwipsPerPixel : screen.x() + (screen.width() - width()) / 2.0;
  double top = stored.top ? *stored.top / kTwipsPerPixel : screen.y() + (screen.height() - height()) / 3.0;
  left = std::max(left, 0.0);
  top = std::max(top, 0.0);
  move(static_cast<int>(std::lround(left)), static_cast<int>(std::lround(top)));
  // A stored place on a screen that is gone, or at a screen's edge, would hide the
  // window: it opens wholly on a screen (or with its title bar there when it is too
  // big), and the stored value stays for that screen's return.
  PlaceOnScreen(true);
  storedTwips_.reset();
  if (stored.left && stored.top) storedTwips_ = QPointF(*stored.left, *stored.top);
  placedAt_ = pos();
  placeSettled_ = false;

  fillingFileBoxes_ = true;
  for (bool input : {true, false}) {
    QComboBox* box = input ? ioPage_->cmbInFile : ioPage_->cmbOutFile;
    box->clear();
    for (const std::string& entry : settings_.LoadHistory(input)) box->addItem(FromStd(entry));
    box->setCurrentIndex(0);
  }
  fillingFileBoxes_ = false;
  inputShown_ = ioPage_->cmbInFile->currentText();

  FormState form;
  settings_.LoadForm(form);
  ApplyForm(form);
}

FormState MainWindow::ReadForm() const {
  FormState form = remembered_;
  for (const OptionRow& row : OptionTable()) ReadOption(this, row, form);
  form.inFile = ToStd(ioPage_->cmbInFile->currentText());
  form.outFile = ToStd(ioPage_->cmbOutFile->currentText());
  return form;
}

void MainWindow::ApplyForm(const FormState& form) {
  // The texts of the option box are kept here; every other option has its control.
  remembered_ = form;
  for (const OptionRow& row : OptionTable()) ApplyOption(this, row, form);
  // What follows from the values, as if the user had chosen them.
  OnBannerClicked();
  UpdateSourceControls();
  ArrangeForFormat();
  UpdateWebPageFrame();
  UpdateModernControls();
  RedrawSample();
  // The swatches show the stored texts' colours, whatever their first character.
  for (ColourField* field : {bgColour_, textColour_, fontColour_}) field->ShowStoredColour();
}

std::vector<std::string> MainWindow::History(bool input) const {
  const QComboBox* box = input ? ioPage_->cmbInFile : ioPage_->cmbOutFile;
  std::vector<std::string> items;
  items.reserve(static_cast<std::size_t>(box->count()));
  for (int i = 0; i < box->count(); ++i) items.push_back(ToStd(box->itemText(i)));
  return items;
}

// ---- Output format and option box -----------------------------------------

OutputFormat MainWindow::CurrentFormat() const { return FormatAt(cmbFormat_->currentIndex()); }

void MainWindow::ArrangeForFormat() {
  const OutputFormat format = CurrentFormat();
  for (const OptionRow& row : OptionTable()) {
    auto* control = qobject_cast<QWidget*>(ControlOf(this, row));
    if (control == nullptr || row.formats == kEveryFormat) continue;
    // The top row's boxes share their places, so one not offered gives way; the pages' boxes are greyed.
    if (control->parentWidget() == this) {
      control->setVisible(row.ForFormat(format));
    } else {
      control->setEnabled(row.ForFormat(format));
    }
  }
  const OptionRow* offered = OptionTextRow(format);
  lblSeparator_->setVisible(offered != nullptr);
  cmbSeparator_->setVisible(offered != nullptr);
  if (offered != nullptr) OfferValues(*offered, remembered_, lblSeparator_, cmbSeparator_);
}

void MainWindow::CommitOptionText() {
  const OutputFormat format = CurrentFormat();
  const std::string text = ToStd(cmbSeparator_->currentText());
  if (!settings_.SaveOptionText(format, text)) return;
  OptionTextRow(format)->Text(remembered_) = text;
}

void MainWindow::UpdateSourceControls() {
  const bool inFile = ioPage_->optInput->checkedId() == kFile;
  ioPage_->cmbInFile->setEnabled(inFile);
  ioPage_->butInBrowse->setEnabled(inFile);
  const bool outFile = ioPage_->optOutput->checkedId() == kFile;
  ioPage_->cmbOutFile->setEnabled(outFile);
  ioPage_->butOutBrowse->setEnabled(outFile);
}

void MainWindow::OnInputKindChanged(int kind) {
  UpdateSourceControls();
  // The name proposed for the input file means nothing for clipboard text: it goes,
  // and an empty box takes it again when the file comes back.
  QComboBox* output = ioPage_->cmbOutFile;
  const QString proposal = ProposedOutput(ioPage_->cmbInFile->currentText());
  if (kind == kClipboard && !proposal.isEmpty() && output->currentText() == proposal) {
    output->setEditText(QString());
  } else if (kind == kFile && output->currentText().isEmpty()) {
    output->setEditText(proposal);
  }
}

// ---- Colours and the sample -------------------------------------------------

void MainWindow::UpdateWebPageFrame() {
  webPage_->frameWebPage->setVisible(webPage_->chkWebPage->checkState() == Qt::Checked);
}

void MainWindow::UpdateModernControls() {
  // What only one of the two kinds of page uses is offered only for it.
  const bool modern = webPage_->chkModern->isChecked();
  for (const OptionRow& row : OptionTable()) {
    auto* control = qobject_cast<QWidget*>(ControlOf(this, row));
    if (control != nullptr && row.page != PageKind::Both) control->setEnabled((row.page == PageKind::Modern) == modern);
  }
}

void MainWindow::RedrawSample() {
  webPage_->picPage->SetBackground(webPage_->picBGColor->Colour());
  webPage_->picPage->SetTextColour(webPage_->picTextColor->Colour());
}

// ---- Banner, bar mode and window size ---------------------------------------

QSize MainWindow::NormalSize() const {
  const int bannerHeight = lblBanner_->isHidden() ? 0 : kBannerHeight;
  return QSize(layout_.Px(5565 + 1275 + kRightMargin), layout_.Px(kBannerTop + bannerHeight + kBottomMargin));
}

QSize MainWindow::BarSize() const {
  return QSize(layout_.Px(4200 + 1065 + kBarMargin), layout_.Px(525 + 330 + kBarMargin));
}

void MainWindow::OnBannerClicked() {
  const bool hide = generalPage_->chkHideBanners->isChecked();
  lblBanner_->setVisible(!hide);
  const int top = layout_.Px(kBannerTop);
  lblBanner_->resize(lblBanner_->width(), hide ? 0 : layout_.Px(kBannerTop + kBannerHeight) - top);
  if (!bar_) AllowWidening();
}

void MainWindow::ToggleBar() {
  bar_ = !bar_;
  // What lies outside the bar goes with it, so that Tab never leads out of sight.
  for (QWidget* outside : {static_cast<QWidget*>(ssTab_), static_cast<QWidget*>(picProgress_),
                           static_cast<QWidget*>(butHelp_)}) {
    outside->setVisible(!bar_);
  }
  if (bar_) {
    lblBanner_->hide();
    lblAppSize_->setText(QStringLiteral("Restore"));
    setWindowTitle(QString());
    setFixedSize(BarSize());
    ChangeWindowFlags(this, kBarFlags);
    lblMove_->show();
    lblMove_->raise();
  } else {
    // What the bar last said stays in the strip, unless the strip says more.
    const QString said = lblBarStatus_->toolTip();
    ShowBarStatus(QString());
    if (picProgress_->Text().isEmpty() && !said.isEmpty()) picProgress_->SetText(QLatin1Char(' ') + said);
    lblBanner_->setVisible(!generalPage_->chkHideBanners->isChecked());
    lblAppSize_->setText(QStringLiteral("Bar"));
    AllowWidening();
    resize(NormalSize().width() + extraWidth_, NormalSize().height());
    setWindowTitle(Caption());
    ChangeWindowFlags(this, kWindowFlags);
    lblMove_->hide();
    // A bar left at a screen's edge would leave the window below it: it comes back whole.
    PlaceOnScreen(true);
  }
}

void MainWindow::PlaceOnScreen(bool wholeWindow) {
  QList<QRect> available;
  for (const QScreen* screen : QGuiApplication::screens()) available << screen->availableGeometry();
  // Until the window manager has framed the window, its title bar is taken to be as high as the style's.
  const int frameTop = geometry().top() - frameGeometry().top();
  const int titleBar = std::max(frameTop, style()->pixelMetric(QStyle::PM_TitleBarHeight));
  const QRect frame = frameGeometry();
  const int kept = wholeWindow ? std::max(frame.height(), height() + titleBar) : titleBar;
  const QPoint corner = KeepTitleBarOnScreen(frame, kept, available);
  if (corner != frame.topLeft()) move(corner);
}

void MainWindow::ShowBarStatus(const QString& text) {
  lblBarStatus_->setText(lblBarStatus_->fontMetrics().elidedText(text, Qt::ElideMiddle, lblBarStatus_->width()));
  lblBarStatus_->setToolTip(text);
  lblBarStatus_->setAccessibleName(text);
  lblBarStatus_->setVisible(!text.isEmpty());
  lblBarStatus_->raise();
  lblFormat_->setVisible(text.isEmpty());
}

void MainWindow::DragBar(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton) || !bar_) {
    lblMove_->unsetCursor();
    return;
  }
  lblMove_->setCursor(Qt::SizeAllCursor);
  // The pointer stays at the same place in the bar, half the grip's size in from
  // the bar's right and bottom edges.
  const QPointF pointer = event->globalPosition();
  const double left = pointer.x() - (width() - 0.5 * lblMove_->width());
  const double top = pointer.y() - (height() - 0.5 * lblMove_->height());
  QPoint corner(static_cast<int>(std::lround(left)), static_cast<int>(std::lround(top)));
  // The grip (its part inside the bar) stays on the screen, so the bar can always be dragged back.
  const QScreen* screen = QGuiApplication::screenAt(pointer.toPoint());
  if (screen == nullptr) screen = this->screen();
  if (screen != nullptr) {
    const QRect area = screen->availableGeometry();
    // In the bar's own coordinates, from where move() puts it (any frame included).
    const QRect grip = lblMove_->geometry().intersected(rect()).translated(geometry().topLeft() - pos());
    corner.setX(std::clamp(corner.x(), area.left() - grip.left(), std::max(area.left() - grip.left(), area.right() - grip.right())));
    corner.setY(std::clamp(corner.y(), area.top() - grip.top(), std::max(area.top() - grip.top(), area.bottom() - grip.bottom())));
  }
  move(corner);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if ((event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove || event->type() == QEvent::Drop) &&
      watched != this && HandleFileDrop(static_cast<QDropEvent*>(event))) {
    return true;
  }
  if (event->type() == QEvent::KeyPress && (watched == ioPage_->cmbInFile || watched == ioPage_->cmbOutFile) &&
      OpensHistory(static_cast<QKeyEvent*>(event))) {
    // The history opens below the box; what was typed stays until an entry is picked.
    static_cast<QComboBox*>(watched)->showPopup();
    return true;
  }
  if (watched == lblMove_) {
    if (event->type() == QEvent::MouseButtonPress) {
      if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) lblMove_->setCursor(Qt::SizeAllCursor);
    } else if (event->type() == QEvent::MouseMove) {
      DragBar(static_cast<QMouseEvent*>(event));
    } else if (event->type() == QEvent::MouseButtonRelease) {
      lblMove_->unsetCursor();
    }
  } else if (event->type() == QEvent::FocusOut && watched == cmbSeparator_) {
    CommitOptionText();
  } else if (event->type() == QEvent::FocusIn && watched == generalPage_->cmbFonts) {
    if (generalPage_->FontsStillLoading()) {
      OfferResult(QString());
      picProgress_->SetText(QStringLiteral(" Please wait, still loading Fonts... "));
      desktop_.Beep();
    }
  }
  return QWidget::eventFilter(watched, event);
}

// ---- Timer: fonts and banner -------------------------------------------------

void MainWindow::OnTimerTick() {
  generalPage_->LoadFontsOnce();
  bannerIndex_ = (bannerIndex_ + 1) % BannerTips().size();
  lblBanner_->setText(BannerTips().at(bannerIndex_));
  timer_->start(kTimerInterval);
}

// ---- Files and help ------------------------------------------------------------

void MainWindow::BrowseInput() {
  // The dialog starts in the folder of the file named, when there is one.
  const QString named = ioPage_->cmbInFile->currentText();
  const QFileInfo folder(named.isEmpty() ? QString() : QFileInfo(named).absolutePath());
  const QString chosen = desktop_.OpenFileName(this, kTextFilters, folder.isDir() ? folder.filePath() : QString());
  if (chosen.isEmpty()) return;
  ioPage_->cmbInFile->setEditText(chosen);
  ioPage_->cmbOutFile->setEditText(chosen + QStringLiteral(".html"));
}

void MainWindow::BrowseOutput() {
  const QString chosen = desktop_.SaveFileName(this, kHtmlFilters, QStringLiteral("html"));
  if (chosen.isEmpty()) return;
  ioPage_->cmbOutFile->setEditText(chosen);
}

void MainWindow::ShowHelp() { desktop_.ShowHelp(this, HelpDocument()); }

bool MainWindow::HandleFileDrop(QDropEvent* event) {
  const QString path = DraggedFile(event->mimeData());
  if (path.isEmpty()) return false;
  event->acceptProposedAction();
  if (event->type() == QEvent::Drop) TakeDroppedFile(path);
  return true;
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (!HandleFileDrop(event)) QWidget::dragEnterEvent(event);
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
  if (!HandleFileDrop(event)) QWidget::dragMoveEvent(event);
}

void MainWindow::dropEvent(QDropEvent* event) {
  if (!HandleFileDrop(event)) QWidget::dropEvent(event);
}

void MainWindow::TakeDroppedFile(const QString& path) {
  // As if the user had chosen File as the source and picked this file with Browse.
  if (ioPage_->optInput->checkedId() != kFile) ioPage_->optInput->button(kFile)->click();
  ioPage_->cmbInFile->setEditText(path);
  ioPage_->cmbOutFile->setEditText(path + QStringLiteral(".html"));
  activateWindow();
}

// ---- Convert ------------------------------------------------------------------------

bool MainWindow::IsConverting() const { return job_->IsRunning(); }

void MainWindow::OnConvert() {
  if (job_->IsRunning()) return;
  // From here on nothing shown speaks of the previous run, whether this one starts or not.
  picProgress_->SetText(QString());
  OfferResult(QString());
  ShowBarStatus(QString());
  CommitOptionText();
  FormState form = ReadForm();

  ConversionInput input = InputFile{form.inFile};
  if (form.input == kClipboard) {
    const QString text = ClipboardText();
    if (text.isEmpty()) {
      ShowRunMessage(EmptyClipboardMessage());
      return;
    }
    input = InputText{ToStd(text)};
  }

  std::optional<std::string> outputFile;
  if (form.output == kFile) {
    if (form.outFile.empty() && form.input == kClipboard) {
      // Clipboard text has no name to derive the output's from: ask for one (the
      // dialog asks itself before an existing file is chosen).
      const QString chosen = desktop_.SaveFileName(this, kHtmlFilters, QStringLiteral("html"));
      if (chosen.isEmpty()) return;
      ioPage_->cmbOutFile->setEditText(chosen);
      form.outFile = ToStd(chosen);
    } else {
      const QString target = !form.outFile.empty() ? FromStd(form.outFile)
                             : form.inFile.empty()  ? QString()
                                                    : FromStd(form.inFile) + QStringLiteral(".html");
      if (!MayReplace(target)) return;
    }
    outputFile = form.outFile;
  }

  ConversionOptions options = ReadFormOptions(form);
  StampRun(options);
  // Only names that took part go into the histories, once the run has delivered.
  runInFile_ = form.input == kFile ? ioPage_->cmbInFile->currentText() : QString();
  runOutFile_ = form.output == kFile ? ioPage_->cmbOutFile->currentText() : QString();
  runInputName_ = form.input == kClipboard ? std::string("The clipboard text") : form.inFile;
  OfferResult(QString());
  ShowRunning(true);
  job_->Start(std::move(input), std::move(outputFile), std::move(options));
}

bool MainWindow::MayReplace(const QString& path) {
  const QFileInfo file(path);
  if (path.isEmpty() || !file.isFile()) return true;  // nothing there to lose (a folder fails in the run)
  // Writing over the input itself is refused by the run, with its own message.
  const QFileInfo input(ioPage_->cmbInFile->currentText());
  if (ioPage_->optInput->checkedId() == kFile && input.isFile() && input.canonicalFilePath() == file.canonicalFilePath()) {
    return true;
  }
  const auto written = written_.find(file.canonicalFilePath());
  const bool ours = written != written_.end();
  if (ours && written->second == VersionOf(file)) return true;
  const QString why = ours ? QStringLiteral("%1 has changed since this window wrote it.")
                           : QStringLiteral("%1 already exists.");
  return desktop_.Confirm(this, QStringLiteral("Replace?"),
                          why.arg(file.fileName()) + QStringLiteral("\nReplace it with the new document?"));
}

void MainWindow::NoteWritten(const QString& path) {
  const QFileInfo file(path);
  if (file.isFile()) written_[file.canonicalFilePath()] = VersionOf(file);
}

void MainWindow::StopConversion() { job_->Cancel(); }

void MainWindow::ShowRunning(bool running) {
  QPushButton* shown = running ? butStop_ : butConvert_;
  QPushButton* hidden = running ? butConvert_ : butStop_;
  const bool hadFocus = hidden->hasFocus();
  butConvert_->setEnabled(!running);
  shown->show();
  if (hadFocus) shown->setFocus(Qt::OtherFocusReason);
  hidden->hide();
}

void MainWindow::ShowRunMessage(const RunMessage& message) {
  desktop_.ShowMessage(this, message.title.empty() ? QString::fromLatin1(kProgName) : FromStd(message.title),
                       FromStd(message.text), message.warning ? MessageIcon::Warning : MessageIcon::None);
}

void MainWindow::OnConversionFinished() {
  const RunResult& result = job_->Result();
  ShowRunning(false);
  const bool stopped = result.failure == RunFailure::Cancelled;
  const RunMessage failure = FailureMessage(result);
  if (result.delivered) {
    picProgress_->SetText(FromStd(FinishedText(result)));
    desktop_.Beep();
    AddToHistory(ioPage_->cmbInFile, runInFile_);
    AddToHistory(ioPage_->cmbOutFile, runOutFile_);
    if (!result.outputPath.empty()) NoteWritten(FromStd(result.outputPath));
  } else {
    // A run that stopped part-way must not leave a stale progress or an earlier run's
    // completion text looking like its own result; a run the user stopped says so.
    picProgress_->SetText(stopped ? QLatin1Char(' ') + FromStd(failure.text) : QString());
  }
  OfferResult(FromStd(result.outputPath));
  // The bar has no strip: the outcome takes the format label's place until the next run or Restore.
  if (bar_) ShowBarStatus(FromStd(BarStatusText(result)));
  if (!result.delivered && !stopped) ShowRunMessage(failure);
  if (result.delivered && result.binary) ShowRunMessage(BinaryInputWarning(runInputName_));
}

void MainWindow::OfferResult(const QString& outputPath) {
  resultPath_ = outputPath.isEmpty() ? QString() : QFileInfo(outputPath).absoluteFilePath();
  butOpenResult_->setVisible(!resultPath_.isEmpty());
  // The strip's text stops short of the button rather than running under it.
  const int reserved = resultPath_.isEmpty() ? 0 : picProgress_->width() - butOpenResult_->x();
  picProgress_->setContentsMargins(0, 0, reserved, 0);
}

void MainWindow::OpenResult() {
  if (!resultPath_.isEmpty()) OpenAddress(QUrl::fromLocalFile(resultPath_), resultPath_ + QStringLiteral(" in the browser"));
}

void MainWindow::OpenAddress(const QUrl& url, const QString& shown) {
  desktop_.OpenUrl(url, this, [this, shown](const QString& reason) {
    ShowRunMessage(OpenFailureMessage(ToStd(shown), ToStd(reason)));
  });
}

void MainWindow::FollowInput(const QString& input) {
  const QString previous = std::exchange(inputShown_, input);
  if (fillingFileBoxes_) return;
  // An empty box, or the name proposed for the previous input, takes the new proposal;
  // a name the user chose stays.
  QComboBox* output = ioPage_->cmbOutFile;
  const QString shown = output->currentText();
  if (shown.isEmpty() || shown == ProposedOutput(previous)) output->setEditText(ProposedOutput(input));
}

void MainWindow::AddToHistory(QComboBox* box, const QString& text) {
  std::vector<std::string> items = History(box == ioPage_->cmbInFile);
  InsertIntoHistory(items, ToStd(text));
  const QString shown = box->currentText();
  fillingFileBoxes_ = true;
  box->clear();
  for (const std::string& item : items) box->addItem(FromStd(item));
  box->setEditText(shown);
  fillingFileBoxes_ = false;
}

// ---- Leaving ------------------------------------------------------------------------

void MainWindow::RunExitSequence() {
  if (exited_) return;
  exited_ = true;
  // A conversion under way is let finish, so no half-written document is left behind.
  job_->WaitForFinished();
  CommitOptionText();
  const QPoint position = pos();
  // A window left where start-up put it keeps the stored position, even one on a screen now gone.
  const QPointF twips = storedTwips_ && position == placedAt_ ? *storedTwips_ : QPointF(position) * kTwipsPerPixel;
  settings_.SaveAtExit(ReadForm(), History(true), History(false), twips.y(), twips.x());
  timer_->stop();
  emit ExitRequested();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  RunExitSequence();
  event->accept();
}

}  // namespace scrivane
