#include "ui/main_form.h"

#include "inputs/region_catalogue.h"
#include "inputs/saved_inputs.h"
#include "platform/tls_library.h"
#include "results/run_log.h"
#include "ui/memo_lines.h"
#include "ui/message_box.h"
#include "ui/region_tree_view.h"
#include "ui/startup_checks.h"
#include "ui/window_look.h"
#include "ui/window_settings.h"
#include "ui/wrapping_check_box.h"

#include <QAction>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QDoubleSpinBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QUrl>

#include <climits>
#include <exception>
#include <stdexcept>

namespace korvath {
namespace {

constexpr char16_t kGreeting[] = u"Спасибо, что пользуетесь программой Korvath!";
constexpr char16_t kFolderLine[] = u"Файлы программы хранятся в папке %1";
constexpr char16_t kFolderNotShown[] =
    u"Не удалось открыть папку \"%1\": не найдена программа для просмотра папок.";
constexpr char16_t kAddressNotOpened[] =
    u"Не удалось открыть адрес \"%1\": не найдена программа для его просмотра.";
constexpr char16_t kTreeCannotTakeFocus[] =
    u"Нельзя перевести фокус на дерево регионов: оно отключено или скрыто.";

// The program folder as the location checks see it: absolute, native, ending in a separator.
QString FolderPathForChecks(const QString& folder) {
  QString path = QDir::toNativeSeparators(QDir(folder).absolutePath());
  if (!path.endsWith(QDir::separator())) {
    path += QDir::separator();
  }
  return path;
}

// Ctrl+A, whatever other modifier keys are held. The A key reads as the Cyrillic Ф under a
// Russian keyboard layout.
bool IsSelectAllKey(const QKeyEvent& event) {
  const bool letterA = event.key() == Qt::Key_A || event.key() == 0x0424;
  return letterA && event.modifiers().testFlag(Qt::ControlModifier);
}

QSpinBox* MakeSpinBox(QWidget* parent, const char* name, int minimum, int value) {
  auto* box = new QSpinBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setRange(minimum, INT_MAX);
  box->setValue(value);
  return box;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString::fromLatin1(name));
  return button;
}

void OpenUrlWithDesktop(const QUrl& url) {
  if (!QDesktopServices::openUrl(url)) {
    throw std::runtime_error(
        QString::fromUtf16(kAddressNotOpened).arg(url.toDisplayString()).toStdString());
  }
}

void OpenFolderWithDesktop(const QString& folder) {
  if (!QDesktopServices::openUrl(QUrl::fromLocalFile(folder))) {
    throw std::runtime_error(
        QString::fromUtf16(kFolderNotShown).arg(QDir::toNativeSeparators(folder)).toStdString());
  }
}

}  // namespace

TMainForm::TMainForm(MainFormOptions options, QWidget* parent)
    : QWidget(parent), options_(std::move(options)) {
  if (!options_.tlsAvailable) {
    options_.tlsAvailable = TlsLibraryAvailable;
  }
  if (!options_.openDocument) {
    options_.openDocument = OpenWithDesktop;
  }
  if (!options_.openUrl) {
    options_.openUrl = OpenUrlWithDesktop;
  }
  if (!options_.openFolder) {
    options_.openFolder = OpenFolderWithDesktop;
  }
  if (!options_.startJob) {
    options_.startJob = [](JobControl& control, JobWindow& window,
                           const QStringList& checkedRegions, const ScraperConfig& config) {
      return control.Start(window, checkedRegions, config);
    };
  }
  setObjectName(u"MainForm"_qs);
  setWindowTitle(u"Korvath"_qs);
  setFont(TahomaFont(11));
  CreateControls();
  WireControls();
  jobWindow_ = std::make_unique<FormJobWindow>(
      this,
      JobControls{LogsMemo, KeywordsMemo, RegionsTree, StartButton, Limit10CheckBox,
                  IntervalSpinEdit, LimitSpinEdit, RetrySpinEdit, ProgressBar, StagesProgressBar,
                  &LogArea->Results(), RunStateLabel, WorkersSpinEdit, PauseButton,
                  AutoIntervalCheckBox, PaceSpinEdit},
      jobControl_, options_.openDocument);
  resize(1088, 668);
  LayOutControls();
  RetrySpinEdit->setFocus();
}

TMainForm::~TMainForm() {
  // The job must not reach for the window while it is taken apart.
  jobControl_.Abandon();
}

void TMainForm::CreateControls() {
  ProgressBar = new QProgressBar(this);
  ProgressBar->setObjectName(u"ProgressBar"_qs);
  StyleGradientBar(*ProgressBar, QColor(0, 128, 0), QColor(144, 238, 144));
  Label2 = MakeLabel(this, "Label2", u"Логи"_qs);
  StagesProgressBar = new QProgressBar(this);
  StagesProgressBar->setObjectName(u"StagesProgressBar"_qs);
  StyleGradientBar(*StagesProgressBar, QColor(0, 0, 128), QColor(135, 206, 235));
  for (QProgressBar* bar : {ProgressBar, StagesProgressBar}) {
    bar->setRange(0, 1);
    bar->setValue(0);
  }
  Label1 = MakeLabel(this, "Label1", u"Регионы (в скобках указан код региона rid)"_qs);
  Label3 = MakeLabel(this, "Label3", u"Список запросов"_qs);
  Label4 = MakeLabel(this, "Label4", u"Интервал между запросами к Яндексу, с:"_qs);
  Label5 = MakeLabel(this, "Label5",
                     u"Если сайт говорит \"ничего не нашлось\", повторять тот же запрос, раз: "_qs);
  Label5->setWordWrap(true);

  LogsMemo = new QPlainTextEdit(this);
  LogsMemo->setObjectName(u"LogsMemo"_qs);
  LogsMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
  LogsMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  LogsMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  LogArea = new LogTabs(
      LogsMemo, [this](const QUrl& url) { RunHandler([&] { options_.openUrl(url); }); }, this);
  RunStateLabel = MakeLabel(this, "RunStateLabel", QString());
  RunStateLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

  StartButton = MakeButton(this, "StartButton", u"СТАРТ"_qs);
  StartButton->setFont(TahomaFont(19));
  StopButton = MakeButton(this, "StopButton", u"стоп"_qs);
  PauseButton = MakeButton(this, "PauseButton", u"пауза"_qs);
  OpenFolderButton = MakeButton(this, "OpenFolderButton", u"Открыть папку с результатами"_qs);

  KeywordsMemo = new QPlainTextEdit(this);
  KeywordsMemo->setObjectName(u"KeywordsMemo"_qs);
  KeywordsMemo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  KeywordsMemo->installEventFilter(this);

  IntervalSpinEdit = MakeSpinBox(this, "IntervalSpinEdit", 0, 3);
  AutoIntervalCheckBox = new QCheckBox(u"подбирать автоматически"_qs, this);
  AutoIntervalCheckBox->setObjectName(u"AutoIntervalCheckBox"_qs);
  AutoIntervalCheckBox->setToolTip(
      u"Каждый адрес сам находит паузу, при которой Яндекс почти не блокирует запросы; "
      u"интервал задаёт паузу, с которой начинать."_qs);
  // Tenths of a second, which the learned pauses need and the interval box does not hold.
  PaceSpinEdit = new QDoubleSpinBox(this);
  PaceSpinEdit->setObjectName(u"PaceSpinEdit"_qs);
  PaceSpinEdit->setDecimals(1);
  PaceSpinEdit->setRange(0, INT_MAX / 1000);
  PaceSpinEdit->setReadOnly(true);
  PaceSpinEdit->setButtonSymbols(QAbstractSpinBox::NoButtons);
  PaceSpinEdit->setToolTip(u"Пауза, которую работа подобрала и держит сейчас."_qs);
  PaceSpinEdit->hide();
  WorkersLabel = MakeLabel(this, "WorkersLabel", u"Потоков:"_qs);
  WorkersSpinEdit = MakeSpinBox(this, "WorkersSpinEdit", 1, 1);
  WorkersSpinEdit->setMaximum(kMaxWorkers);
  WorkersSpinEdit->setToolTip(
      u"Сколько потоков ведут сбор, каждый через свой прокси из proxies.txt; "
      u"число задаётся до старта."_qs);

  RegionsTree = new RegionTreeView(this);
  RegionsTree->setObjectName(u"RegionsTree"_qs);
  RegionsTree->SetRegionModel(&regions_);
  RegionsTree->setContextMenuPolicy(Qt::CustomContextMenu);

  Limit10CheckBox =
      new WrappingCheckBox(u"Выгружать объявлений по каждому запросу, не более"_qs, this);
  Limit10CheckBox->setObjectName(u"Limit10CheckBox"_qs);
  SelectAllButton = MakeButton(this, "SelectAllButton", u"Отметить все"_qs);
  Button1 = MakeButton(this, "Button1", u"Снять все"_qs);
  Button2 = MakeButton(this, "Button2", u"Меню узла"_qs);
  LimitSpinEdit = MakeSpinBox(this, "LimitSpinEdit", 0, 10);
  RetrySpinEdit = MakeSpinBox(this, "RetrySpinEdit", 1, 20);

  jobControl_.ResumeTimer().setObjectName(u"ResumeTimer"_qs);

  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(u"PopupMenu1"_qs);
  // A pop-up is a window of its own, which does not take its parent's font by itself.
  PopupMenu1->setFont(font());
  N1 = PopupMenu1->addAction(u"Отметить узел и  все вложенные"_qs);
  N1->setObjectName(u"N1"_qs);
  N2 = PopupMenu1->addAction(u"Разотметить узел и все вложенные"_qs);
  N2->setObjectName(u"N2"_qs);
}

void TMainForm::WireControls() {
  connect(StartButton, &QPushButton::clicked, this, [this] { StartButtonClick(); });
  connect(StopButton, &QPushButton::clicked, this, [this] { StopButtonClick(); });
  connect(PauseButton, &QPushButton::clicked, this, [this] { PauseButtonClick(); });
  connect(OpenFolderButton, &QPushButton::clicked, this, [this] { OpenFolderButtonClick(); });
  connect(SelectAllButton, &QPushButton::clicked, this, [this] { SelectAllButtonClick(); });
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
  connect(N1, &QAction::triggered, this, [this] { N1Click(); });
  connect(N2, &QAction::triggered, this, [this] { N2Click(); });
  connect(RegionsTree, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    PopupMenu1->popup(RegionsTree->viewport()->mapToGlobal(pos));
  });
}

void TMainForm::setVisible(bool visible) {
  if (visible && !shownOnce_) {
    shownOnce_ = true;
    if (!FormShow()) {
      startupRefused_ = true;
      return;
    }
    if (const QScreen* screen = this->screen()) {
      move(screen->availableGeometry().center() - rect().center());
    }
  }
  QWidget::setVisible(visible);
}

bool TMainForm::FormShow() {
  const QString folder = options_.programFolder;
  const QString refusal =
      LocationCheckMessage(FolderPathForChecks(folder), options_.tlsAvailable());
  if (!refusal.isEmpty()) {
    ShowMessage(this, QString::fromUtf16(kLocationCheckCaption), refusal);
    return false;
  }
  // What failed to load, or was skipped after a failure, is not saved over at the close: the
  // window would write back an empty tree or an empty list in place of the user's files.
  RunHandler([&] {
    LogsMemo->appendPlainText(QString::fromUtf16(kGreeting));
    LogsMemo->appendPlainText(
        QString::fromUtf16(kFolderLine).arg(QDir::toNativeSeparators(folder)));
    LoadRegionCatalogue(regions_, folder);
    CheckCatalogueHasRegions(regions_, folder);
    LogWindows1251(RestoreSelection(regions_, folder), SelectionFilePath(folder));
    selectionLoaded_ = true;
    const TextFileLines queries = LoadQueries(folder);
    SetMemoLines(*KeywordsMemo, queries.lines);
    LogWindows1251(queries, QueriesFilePath(folder));
    queriesLoaded_ = true;
  });
  QStringList problems;
  const WindowSettings settings = LoadWindowSettings(folder, problems);
  WorkersSpinEdit->setValue(settings.workers);
  AutoIntervalCheckBox->setChecked(settings.autoInterval);
  for (const QString& problem : problems) AddLogLine(*jobWindow_, problem);
  return true;
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (!FormClose()) {
    event->ignore();
    return;
  }
  // The program ends now, whatever the job is doing; it must leave the window alone from here on.
  jobCutOffAtClose_ = jobControl_.JobRunning();
  jobControl_.Abandon();
  event->accept();
}

bool TMainForm::FormClose() {
  return RunHandler([&] {
    if (selectionLoaded_) SaveSelection(regions_, options_.programFolder);
    if (queriesLoaded_) SaveQueries(MemoLines(*KeywordsMemo), options_.programFolder);
    SaveWindowSettings({WorkersSpinEdit->value(), AutoIntervalCheckBox->isChecked()},
                       options_.programFolder);
  });
}

void TMainForm::LogWindows1251(const TextFileLines& file, const QString& path) {
  if (file.readAsWindows1251) AddLogLine(*jobWindow_, Windows1251Notice(path));
}

void TMainForm::StopButtonClick() {
  RunHandler([&] {
    const bool running = jobControl_.JobRunning();
    jobControl_.Stop();
    if (running) jobWindow_->NoteStopRequested();
  });
}

void TMainForm::PauseButtonClick() {
  RunHandler([&] { jobControl_.Pause(); });
  // The button is down exactly while the job is held, whatever the click made of it.
  jobWindow_->ShowRunState();
}

void TMainForm::OpenFolderButtonClick() {
  RunHandler([&] { options_.openFolder(options_.programFolder); });
}

void TMainForm::SelectAllButtonClick() {
  RunHandler([&] { regions_.SetAllChecked(true); });
}

void TMainForm::Button1Click() {
  RunHandler([&] { regions_.SetAllChecked(false); });
}

void TMainForm::Button2Click() {
  RunHandler([&] {
    if (!RegionsTree->isEnabled() || !RegionsTree->isVisible()) {
      throw std::runtime_error(QString::fromUtf16(kTreeCannotTakeFocus).toStdString());
    }
    RegionsTree->setFocus();
    const RegionNode node = regions_.SelectedNode();
    if (node == kNoNode) {
      return;
    }
    RegionsTree->scrollTo(regions_.IndexOf(node));
    const QRect text = RegionsTree->NodeTextRect(node);
    PopupMenu1->popup(RegionsTree->viewport()->mapToGlobal(text.bottomRight()));
  });
}

void TMainForm::N1Click() {
  RunHandler([&] {
    if (regions_.SelectedNode() != kNoNode) {
      CheckNested(regions_.SelectedNode(), true);
    }
  });
}

void TMainForm::N2Click() {
  RunHandler([&] {
    if (regions_.SelectedNode() != kNoNode) {
      CheckNested(regions_.SelectedNode(), false);
    }
  });
}

void TMainForm::CheckNested(RegionNode node, bool state) {
  regions_.SetSubtreeChecked(node, state);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == KeywordsMemo) {
    if (event->type() == QEvent::ShortcutOverride &&
        IsSelectAllKey(*static_cast<QKeyEvent*>(event))) {
      // Claims the key for the query list before any shortcut can take it.
      event->accept();
      return true;
    }
    if (event->type() == QEvent::KeyPress) {
      return KeywordsMemoKeyDown(static_cast<QKeyEvent*>(event));
    }
  }
  return QWidget::eventFilter(watched, event);
}

bool TMainForm::KeywordsMemoKeyDown(QKeyEvent* event) {
  if (!IsSelectAllKey(*event)) {
    return false;
  }
  KeywordsMemo->selectAll();
  return true;
}

bool TMainForm::RunHandler(const std::function<void()>& handler) {
  try {
    handler();
    return true;
  } catch (const std::exception& error) {
    ShowMessage(this, QString::fromUtf16(kBoxCaption), QString::fromUtf8(error.what()));
  }
  return false;
}

}  // namespace korvath
