#include "ConvertCutDialog.h"

#include "AppDialogs.h"
#include "AppIcons.h"
#include "Application.h"
#include "MainWindow.h"
#include "convert/ConvertMessages.h"
#include "convert/GainTable.h"
#include "core/Progress.h"
#include "forms/ConvertCutForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace gc {
namespace {

// The one entry of the chooser's filter: files ending in .tif or .tiff.
constexpr FileFilterEntry TIFF_FILTER[] = {{DLG_TIFF_FILTER_NAME, "*.tif;*.tiff", ""}};

// "Load TIFF file(s)…" over the program's chooser: an empty choice is a Cancel.
class DialogTiffChooser final : public TiffFileChooser {
public:
    explicit DialogTiffChooser(FileChooser& chooser) : m_chooser(chooser) {}
    std::optional<std::vector<std::string>> ChooseTiffFiles() override {
        std::vector<std::string> paths = m_chooser.ChooseOpenFiles(TIFF_FILTER, 0);
        if (paths.empty())
            return std::nullopt;
        return paths;
    }

private:
    FileChooser& m_chooser;
};

template <typename Items> QComboBox* MakeList(QWidget* parent, const char* name, const Items& items) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    for (const char* item : items)
        combo->addItem(item);
    combo->setCurrentIndex(-1); // no selection when the dialog opens
    return combo;
}

QLineEdit* MakeField(QWidget* parent, const char* name) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    return field;
}

QPushButton* MakeButton(QWidget* parent, const char* text, const char* name) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    return button;
}

QCheckBox* MakeCheck(QWidget* parent, const char* text, const char* name) {
    auto* check = new QCheckBox(text, parent);
    check->setObjectName(name);
    return check;
}

// A label with `text` at (row, column) and `field` right of it; the label belongs to the field's
// parent.
void AddLabelledField(QGridLayout* grid, int row, int column, const char* text, QWidget* field) {
    grid->addWidget(new QLabel(text, field->parentWidget()), row, column);
    grid->addWidget(field, row, column + 1);
}

QLabel* MakeIcon(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setPixmap(ApplicationIcon().pixmap(32, 32));
    return label;
}

} // namespace

ConvertCutDialog::ConvertCutDialog(FileChooser& chooser, Messages& messages, std::function<void(int)> exit,
                                   QWidget* parent)
    : QDialog(parent), m_chooser(chooser), m_messages(messages), m_exit(std::move(exit)),
      m_pLogic(std::make_unique<ConvertCutForm>(messages, m_progress)) {
    setObjectName("ConvertCutDialog");
    setWindowTitle(DLG_CONVERT_TITLE);

    m_pLoadFiles = MakeButton(this, DLG_LOAD_TIFF_FILES, "LoadFiles");
    QGroupBox* convertGroup = CreateConvertGroup();
    QGroupBox* cutGroup = CreateCutGroup();
    m_pProgress = new QProgressBar(this);
    m_pProgress->setObjectName("Progress");
    m_pProgress->setRange(0, PROGRESS_END);
    m_pProgress->setValue(0);
    m_pProgress->setTextVisible(false);
    m_progress.SetBar(m_pProgress);
    for (QPushButton* button : {m_pLoadFiles, m_pSetDefaults, m_pLoadLastRun, m_pConvert, m_pCut})
        button->setAutoDefault(false);

    LayOutConvertGroup(convertGroup);
    LayOutCutGroup(cutGroup);
    LayOutDialog(convertGroup, cutGroup);
    SetKeyboardOrder();
    ShowLogic();
    ConnectControls();
}

QGroupBox* ConvertCutDialog::CreateConvertGroup() {
    auto* group = new QGroupBox(DLG_CONVERT_GROUP, this);
    m_pSetDefaults = MakeButton(group, DLG_SET_DEFAULT_PARAMETERS, "SetDefaults");
    m_pLoadLastRun = MakeButton(group, DLG_LOAD_LAST_RUN, "LoadLastRun");
    m_pA = MakeField(group, "A");
    m_pX0 = MakeField(group, "X0");
    m_pY0 = MakeField(group, "Y0");
    m_pGain = MakeList(group, "Gain", GAIN_LIST_ITEMS);
    m_pNegative = MakeCheck(group, DLG_OUTPUT_NEGATIVE, "Negative");
    m_pBinSize = MakeList(group, "BinSize", DLG_BIN_SIZE_ITEMS);
    m_pOutputFormat = MakeList(group, "OutputFormat", DLG_OUTPUT_FORMAT_ITEMS);
    m_pStatistics = MakeCheck(group, DLG_DISPLAY_STATISTICS, "Statistics");
    m_pConvert = MakeButton(group, DLG_CONVERT, "Convert");
    return group;
}

QGroupBox* ConvertCutDialog::CreateCutGroup() {
    auto* group = new QGroupBox(DLG_CUT_GROUP, this);
    m_pStartX = MakeField(group, "StartX");
    m_pStartY = MakeField(group, "StartY");
    m_pEndX = MakeField(group, "EndX");
    m_pEndY = MakeField(group, "EndY");
    m_pCut = MakeButton(group, DLG_CUT, "Cut");
    return group;
}

// Constants and GAIN on the left, output options on the right.
void ConvertCutDialog::LayOutConvertGroup(QGroupBox* group) {
    auto* fit = new QGridLayout;
    AddLabelledField(fit, 0, 0, DLG_LABEL_A, m_pA);
    AddLabelledField(fit, 1, 0, DLG_LABEL_X0, m_pX0);
    AddLabelledField(fit, 2, 0, DLG_LABEL_Y0, m_pY0);
    AddLabelledField(fit, 3, 0, DLG_LABEL_GAIN, m_pGain);
    fit->addWidget(m_pSetDefaults, 4, 0, 1, 2);
    fit->addWidget(m_pLoadLastRun, 5, 0, 1, 2);
    auto* options = new QVBoxLayout;
    options->addWidget(new QLabel(DLG_FITTING_EQUATION, group));
    options->addWidget(m_pNegative);
    auto* lists = new QGridLayout;
    AddLabelledField(lists, 0, 0, DLG_BIN_SIZE_LABEL, m_pBinSize);
    AddLabelledField(lists, 1, 0, DLG_OUTPUT_FORMAT_LABEL, m_pOutputFormat);
    options->addLayout(lists);
    options->addWidget(m_pStatistics);
    m_pStatistics->setMinimumWidth(m_pStatistics->sizeHint().width());
    options->addWidget(m_pConvert);
    auto* layout = new QHBoxLayout(group);
    layout->addLayout(fit);
    layout->addLayout(options, 1);
}

// The start corner on the first row, the end corner on the second, the button under them.
void ConvertCutDialog::LayOutCutGroup(QGroupBox* group) {
    auto* layout = new QGridLayout(group);
    AddLabelledField(layout, 0, 0, DLG_START_X, m_pStartX);
    AddLabelledField(layout, 0, 2, DLG_START_Y, m_pStartY);
    AddLabelledField(layout, 1, 0, DLG_END_X, m_pEndX);
    AddLabelledField(layout, 1, 2, DLG_END_Y, m_pEndY);
    layout->addWidget(m_pCut, 2, 0, 1, 4);
}

// The load button beside the program's icons, the two groups and the bar under it.
void ConvertCutDialog::LayOutDialog(QGroupBox* convertGroup, QGroupBox* cutGroup) {
    auto* top = new QHBoxLayout;
    top->addWidget(m_pLoadFiles, 1);
    for (int i = 0; i < 5; ++i)
        top->addWidget(MakeIcon(this));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(convertGroup);
    layout->addWidget(cutGroup);
    layout->addWidget(m_pProgress);
}

void ConvertCutDialog::SetKeyboardOrder() {
    const QWidget* order[] = {
        m_pLoadFiles, m_pConvert,      m_pA,           m_pX0,         m_pY0,         m_pNegative,
        m_pBinSize,   m_pOutputFormat, m_pSetDefaults, m_pStatistics, m_pCut,        m_pStartX,
        m_pStartY,    m_pEndX,         m_pEndY,        m_pGain,       m_pLoadLastRun};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(const_cast<QWidget*>(order[i - 1]), const_cast<QWidget*>(order[i]));
}

void ConvertCutDialog::ConnectControls() {
    connect(m_pLoadFiles, &QPushButton::clicked, this, [this] {
        Handle([this] {
            DialogTiffChooser tiffChooser(m_chooser);
            m_pLogic->OnLoadTiffFiles(tiffChooser);
        });
    });
    // Only a selection made by the user counts; text typed into a list is never read.
    connect(m_pGain, &QComboBox::activated, this,
            [this] { Handle([this] { m_pLogic->OnSelchangeGain(m_pGain->currentIndex()); }); });
    connect(m_pBinSize, &QComboBox::activated, this,
            [this] { Handle([this] { m_pLogic->OnSelchangeBinSize(m_pBinSize->currentIndex()); }); });
    connect(m_pOutputFormat, &QComboBox::activated, this, [this] {
        Handle([this] { m_pLogic->OnSelchangeOutputFormat(m_pOutputFormat->currentIndex()); });
    });
    connect(m_pNegative, &QCheckBox::clicked, this,
            [this] { Handle([this] { m_pLogic->OnOutputNegative(); }); });
    connect(m_pStatistics, &QCheckBox::clicked, this,
            [this] { Handle([this] { m_pLogic->OnDisplayStatistics(); }); });
    connect(m_pSetDefaults, &QPushButton::clicked, this,
            [this] { Handle([this] { m_pLogic->OnSetDefaultParameters(); }); });
    connect(m_pLoadLastRun, &QPushButton::clicked, this,
            [this] { Handle([this] { m_pLogic->OnLoadLastRun(); }); });
    connect(m_pConvert, &QPushButton::clicked, this, [this] {
        ConvertOutcome outcome = ConvertOutcome::Refused;
        Handle([this, &outcome] { outcome = m_pLogic->OnConvert(); });
        Finish(outcome);
    });
    connect(m_pCut, &QPushButton::clicked, this, [this] {
        ConvertOutcome outcome = ConvertOutcome::Refused;
        Handle([this, &outcome] { outcome = m_pLogic->OnCut(); });
        Finish(outcome);
    });
}

ConvertCutDialog::~ConvertCutDialog() = default;

template <typename Handler> void ConvertCutDialog::Handle(Handler handler) {
    TakeControls();
    handler();
    ShowLogic();
}

void ConvertCutDialog::Finish(ConvertOutcome outcome) {
    if (const Outcome shared = OutcomeOf(outcome); EndsProgram(shared)) {
        if (m_exit)
            m_exit(ExitStatusOf(shared, 0));
        return;
    }
    if (outcome == ConvertOutcome::Done || outcome == ConvertOutcome::Skipped)
        accept();
}

void ConvertCutDialog::TakeControls() {
    m_pLogic->m_strA = m_pA->text().toStdString();
    m_pLogic->m_strX0 = m_pX0->text().toStdString();
    m_pLogic->m_strY0 = m_pY0->text().toStdString();
    m_pLogic->m_strCutStartX = m_pStartX->text().toStdString();
    m_pLogic->m_strCutStartY = m_pStartY->text().toStdString();
    m_pLogic->m_strCutEndX = m_pEndX->text().toStdString();
    m_pLogic->m_strCutEndY = m_pEndY->text().toStdString();
    m_pLogic->m_nGainSelection = m_pGain->currentIndex();
    m_pLogic->m_nBinSelection = m_pBinSize->currentIndex();
    m_pLogic->m_nFormatSelection = m_pOutputFormat->currentIndex();
}

void ConvertCutDialog::ShowLogic() {
    m_pA->setText(QString::fromStdString(m_pLogic->m_strA));
    m_pX0->setText(QString::fromStdString(m_pLogic->m_strX0));
    m_pY0->setText(QString::fromStdString(m_pLogic->m_strY0));
    m_pStartX->setText(QString::fromStdString(m_pLogic->m_strCutStartX));
    m_pStartY->setText(QString::fromStdString(m_pLogic->m_strCutStartY));
    m_pEndX->setText(QString::fromStdString(m_pLogic->m_strCutEndX));
    m_pEndY->setText(QString::fromStdString(m_pLogic->m_strCutEndY));
    m_pGain->setCurrentIndex(m_pLogic->m_nGainSelection);
    m_pBinSize->setCurrentIndex(m_pLogic->m_nBinSelection);
    m_pOutputFormat->setCurrentIndex(m_pLogic->m_nFormatSelection);
    m_pNegative->setChecked(m_pLogic->m_bNegativeChecked);
    m_pStatistics->setChecked(m_pLogic->m_bStatisticsChecked);
}

void AttachConvertCutDialog(Application& app) {
    app.m_hooks.m_transmittivityToOD = [](Application& owner) {
        ConvertCutDialog dialog(
            owner.GetChooser(), owner.GetMessages(), [&owner](int status) { owner.EndProcess(status); },
            &owner.GetFrame());
        dialog.Logic().m_mrcStyle = MrcStyleFor(owner.WritesMrc2014());
        // Outputs that exist are replaced only when the user says so; "Done..." names what was written.
        dialog.Logic().SetQuestions(&owner.GetQuestions());
        owner.GetDialogs().Exec(dialog);
    };
}

} // namespace gc
