#include "RunParametersDialog.h"

#include "AppDialogs.h"
#include "AppIcons.h"
#include "Application.h"
#include "MainWindow.h"
#include "forms/RunParametersForm.h"
#include "split/SplitMessages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace gc {
namespace {

// The one entry of the input chooser's filter "TIFF|*.tif;*.tiff;|".
constexpr FileFilterEntry TIFF_FILTER[] = {{"TIFF", "*.tif;*.tiff", ""}};

template <std::size_t N>
QComboBox* MakeCombo(QWidget* parent, const char* name, const char* const (&items)[N]) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    for (const char* item : items)
        combo->addItem(item);
    combo->setCurrentIndex(-1); // no selection until the user picks one
    return combo;
}

QCheckBox* MakeCheck(QWidget* parent, const char* name) {
    auto* box = new QCheckBox(RUN_PARAMETERS_CHECK_FOR_YES, parent);
    box->setObjectName(name);
    return box;
}

QLabel* MakeIcon(QWidget* parent, int size) {
    auto* label = new QLabel(parent);
    label->setPixmap(ApplicationIcon().pixmap(size, size));
    return label;
}

// The picture and the three icons beside the group.
QVBoxLayout* MakeSideIcons(QWidget* parent) {
    auto* side = new QVBoxLayout;
    side->addWidget(MakeIcon(parent, 128), 0, Qt::AlignHCenter);
    auto* icons = new QHBoxLayout;
    for (int i = 0; i < 3; ++i)
        icons->addWidget(MakeIcon(parent, 32));
    side->addLayout(icons);
    side->addStretch();
    return side;
}

} // namespace

// The parameter dialog's choosers over the program's file and folder choosers.
class RunParametersChooser final : public RunFileChooser {
public:
    explicit RunParametersChooser(FileChooser& chooser) : m_chooser(chooser) {}
    std::optional<std::vector<std::string>> ChooseInputFiles(bool multiple,
                                                             const std::string& filter) override;
    std::optional<std::string> ChooseFolder(const std::string& title) override;
    void StartIn(const std::string& folder) override { m_chooser.StartIn(folder); }

private:
    FileChooser& m_chooser;
};

std::optional<std::vector<std::string>> RunParametersChooser::ChooseInputFiles(bool multiple,
                                                                               const std::string&) {
    if (multiple) {
        std::vector<std::string> paths = m_chooser.ChooseOpenFiles(TIFF_FILTER, 0);
        if (paths.empty())
            return std::nullopt;
        return paths;
    }
    const auto chosen = m_chooser.ChooseOpenFile(TIFF_FILTER, 0);
    if (!chosen)
        return std::nullopt;
    return std::vector<std::string>{chosen->m_strPath};
}

std::optional<std::string> RunParametersChooser::ChooseFolder(const std::string& title) {
    return m_chooser.ChooseFolder(title);
}

RunParametersDialog::RunParametersDialog(RunSettings& parameters, RunDialogState& state, FileChooser& chooser,
                                         Messages& messages, QWidget* parent, SettingsStore* memory)
    : QDialog(parent), m_pChooser(std::make_unique<RunParametersChooser>(chooser)),
      m_pLogic(std::make_unique<RunParametersForm>(parameters, state, *m_pChooser, messages, memory)) {
    setObjectName("RunParametersDialog");
    setWindowTitle(RUN_PARAMETERS_CAPTION);

    auto* group = new QGroupBox(RUN_PARAMETERS_GROUP, this);
    MakeControls(group);
    ShowFields();
    LayOutGroup(group);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(MakeSideIcons(this));
    ConnectControls(parameters, messages);
}

void RunParametersDialog::MakeControls(QGroupBox* group) {
    m_pDefaultSettings = new QPushButton(RUN_PARAMETERS_DEFAULT_SETTINGS, group);
    m_pDefaultSettings->setObjectName("DefaultSettings");
    m_pImageCount = MakeCombo(group, "ImageCount", RUN_PARAMETERS_IMAGE_COUNT_ITEMS);
    m_pHeight = MakeCombo(group, "Height", RUN_PARAMETERS_HEIGHT_ITEMS);
    m_pWidth = MakeCombo(group, "Width", RUN_PARAMETERS_WIDTH_ITEMS);
    m_pOutputTiff = MakeCheck(group, "OutputTiff");
    m_pBatchMode = MakeCheck(group, "BatchMode");
    m_pBinning = MakeCombo(group, "Binning", RUN_PARAMETERS_BINNING_ITEMS);
    m_pFinder = MakeCombo(group, "Finder", RUN_PARAMETERS_FINDER_ITEMS);
    m_pDeskew = MakeCheck(group, "Deskew");
    m_pAppendString = MakeCheck(group, "AppendString");
    m_pAppendText = new QLineEdit(group);
    m_pAppendText->setObjectName("AppendText");
    m_pAppendText->setMaxLength(APPEND_STRING_LIMIT);
    m_pStartNumber = MakeCheck(group, "StartNumber");
    m_pStartNumberText = new QLineEdit(group);
    m_pStartNumberText->setObjectName("StartNumberText");
    m_pStartNumberText->setMaxLength(START_NUMBER_LIMIT);
    m_pStartNumberText->setValidator(
        new QRegularExpressionValidator(QRegularExpression("[0-9]*"), m_pStartNumberText));
    m_pOutputDir = MakeCheck(group, "OutputDir");
    m_pPixelSize = new QLineEdit(group);
    m_pPixelSize->setObjectName("PixelSize");
    m_pSelectFiles = new QPushButton(RUN_PARAMETERS_SELECT_FILES, group);
    m_pSelectFiles->setObjectName("SelectFiles");
    m_pSaveParameters = new QPushButton(RUN_PARAMETERS_SAVE_PARAMETERS, group);
    m_pSaveParameters->setObjectName("SaveParameters");
    m_pOutputFolder = new QLabel(group);
    m_pOutputFolder->setObjectName("OutputFolder");
    m_pOutputFolder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pScanCount = new QLabel(group);
    m_pScanCount->setObjectName("ScanCount");
    m_pScans = new QListWidget(group);
    m_pScans->setObjectName("Scans");
    m_pScans->setMaximumHeight(m_pScans->fontMetrics().height() * 5);
    for (QPushButton* button : {m_pDefaultSettings, m_pSelectFiles, m_pSaveParameters})
        button->setAutoDefault(false);
}

void RunParametersDialog::ShowFields() {
    const RunSettings& record = m_pLogic->Parameters();
    m_pAppendText->setText(QString::fromStdString(record.m_strAppendString));
    m_pStartNumberText->setText(QString::fromStdString(record.m_strStartNumber));
    ShowChecks();
    ShowSelections();
    ShowChoices();
    if (record.mrc.pixelSize > 0)
        m_pPixelSize->setText(QString::fromStdString(PixelSizeText(record.mrc.pixelSize)));
}

void RunParametersDialog::LayOutGroup(QGroupBox* group) {
    auto* grid = new QGridLayout(group);
    int row = 0;
    const auto labelled = [&](const QString& label, QWidget* field) {
        grid->addWidget(new QLabel(label, group), row, 0);
        grid->addWidget(field, row++, 1);
    };
    grid->addWidget(m_pDefaultSettings, row++, 0, 1, 2);
    labelled(RUN_PARAMETERS_IMAGE_COUNT_LABEL, m_pImageCount);
    labelled(RUN_PARAMETERS_HEIGHT_LABEL, m_pHeight);
    labelled(RUN_PARAMETERS_WIDTH_LABEL, m_pWidth);
    labelled(RUN_PARAMETERS_OUTPUT_TIFF_LABEL, m_pOutputTiff);
    labelled(RUN_PARAMETERS_BATCH_MODE_LABEL, m_pBatchMode);
    labelled(RUN_PARAMETERS_BINNING_LABEL, m_pBinning);
    labelled(RUN_PARAMETERS_FINDER_LABEL, m_pFinder);
    labelled(RUN_PARAMETERS_DESKEW_LABEL, m_pDeskew);
    labelled(RUN_PARAMETERS_APPEND_STRING_LABEL, m_pAppendString);
    grid->addWidget(m_pAppendText, row++, 0, 1, 2);
    labelled(RUN_PARAMETERS_START_NUMBER_LABEL, m_pStartNumber);
    grid->addWidget(m_pStartNumberText, row++, 0, 1, 2);
    labelled(RUN_PARAMETERS_OUTPUT_DIR_LABEL, m_pOutputDir);
    grid->addWidget(m_pOutputFolder, row++, 0, 1, 2);
    labelled(QString::fromUtf8(RUN_PARAMETERS_PIXEL_SIZE_LABEL), m_pPixelSize);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_pSelectFiles);
    buttons->addWidget(m_pSaveParameters);
    grid->addLayout(buttons, row++, 0, 1, 2);
    grid->addWidget(m_pScanCount, row++, 0, 1, 2);
    grid->addWidget(m_pScans, row++, 0, 1, 2);
}

void RunParametersDialog::ConnectControls(RunSettings& parameters, Messages& messages) {
    // Only a selection made by the user counts.
    connect(m_pImageCount, &QComboBox::activated, this,
            [this](int index) { m_pLogic->OnSelchangeImageCount(index); });
    connect(m_pHeight, &QComboBox::activated, this,
            [this](int index) { m_pLogic->OnSelchangeHeight(index); });
    connect(m_pWidth, &QComboBox::activated, this, [this](int index) { m_pLogic->OnSelchangeWidth(index); });
    connect(m_pBinning, &QComboBox::activated, this,
            [this](int index) { m_pLogic->OnSelchangeBinning(index); });
    connect(m_pFinder, &QComboBox::activated, this, [this](int index) {
        m_pLogic->OnSelchangeFinder(index);
        ShowChecks();
    });
    connect(m_pDefaultSettings, &QPushButton::clicked, this, [this] {
        m_pLogic->OnDefaultSettings();
        ShowSelections();
    });
    const auto toggle = [this](QCheckBox* box, void (RunParametersForm::*handler)()) {
        connect(box, &QCheckBox::clicked, this, [this, handler] {
            ((*m_pLogic).*handler)();
            ShowChecks();
            ShowChoices();
        });
    };
    toggle(m_pOutputTiff, &RunParametersForm::OnOutputTiff);
    toggle(m_pBatchMode, &RunParametersForm::OnBatchMode);
    toggle(m_pAppendString, &RunParametersForm::OnAppendString);
    toggle(m_pStartNumber, &RunParametersForm::OnStartNumber);
    toggle(m_pOutputDir, &RunParametersForm::OnOutputDir);
    toggle(m_pDeskew, &RunParametersForm::OnDeskew);
    m_pAppendText->installEventFilter(this);
    m_pStartNumberText->installEventFilter(this);
    connect(m_pSelectFiles, &QPushButton::clicked, this, [this] {
        m_pLogic->OnSelectFiles();
        ShowChoices();
    });
    connect(m_pSaveParameters, &QPushButton::clicked, this, [this, &parameters, &messages] {
        // The pixel size is read when the parameters are saved; a refused text saves nothing.
        double pixelSize = 0;
        if (!PixelSizeFromText(m_pPixelSize->text().toStdString(), pixelSize)) {
            messages.Warning(MSG_PIXEL_SIZE_NOT_CORRECT);
            return;
        }
        parameters.mrc.pixelSize = pixelSize;
        if (m_pLogic->OnSaveParameters())
            done(RUN_PARAMETERS_END_CODE);
    });
}

RunParametersDialog::~RunParametersDialog() {
    m_pAppendText->removeEventFilter(this);
    m_pStartNumberText->removeEventFilter(this);
}

// The two edit fields are read when they lose the keyboard focus.
bool RunParametersDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        if (watched == m_pAppendText)
            m_pLogic->OnKillfocusAppendString(m_pAppendText->text().toStdString());
        else if (watched == m_pStartNumberText)
            m_pLogic->OnKillfocusStartNumber(m_pStartNumberText->text().toStdString());
    }
    return QDialog::eventFilter(watched, event);
}

void RunParametersDialog::ShowSelections() {
    const RunParametersSelection& selection = m_pLogic->Selection();
    m_pImageCount->setCurrentIndex(selection.m_nImageCountIndex);
    m_pHeight->setCurrentIndex(selection.m_nHeightIndex);
    m_pWidth->setCurrentIndex(selection.m_nWidthIndex);
    m_pBinning->setCurrentIndex(selection.m_nBinningIndex);
    m_pFinder->setCurrentIndex(selection.m_nFinderIndex);
}

void RunParametersDialog::ShowChecks() {
    const RunSettings& record = m_pLogic->Parameters();
    m_pOutputTiff->setChecked(record.m_bOutputTiff);
    m_pBatchMode->setChecked(record.m_bBatchMode);
    m_pAppendString->setChecked(record.m_bAppendString);
    m_pStartNumber->setChecked(record.m_bStartNumber);
    m_pOutputDir->setChecked(record.m_bOutputDir);
    m_pDeskew->setChecked(record.m_bDeskew);
    m_pDeskew->setEnabled(record.m_finder == ImageFinder::Sheet);
}

void RunParametersDialog::ShowChoices() {
    m_pOutputFolder->setText(QString::fromStdString(m_pLogic->OutputFolderText()));
    m_pScanCount->setText(QString::fromStdString(m_pLogic->ScanCountText()));
    m_pScans->clear();
    for (const std::string& scan : m_pLogic->ChosenScans())
        m_pScans->addItem(QString::fromStdString(scan));
}

void AttachRunParametersDialog(Application& app) {
    app.m_hooks.m_presetRunParameters = [](Application& owner) {
        RunParametersDialog dialog(owner.m_runSettings, owner.m_runState, owner.GetChooser(),
                                   owner.GetMessages(), &owner.GetFrame(), &owner.GetSettings());
        owner.GetDialogs().Exec(dialog);
    };
}

} // namespace gc
