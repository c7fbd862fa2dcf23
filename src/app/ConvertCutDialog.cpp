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

    m_pLoadFiles = new QPushButton(DLG_LOAD_TIFF_FILES, this);
    m_pLoadFiles->setObjectName("LoadFiles");

    auto* convertGroup = new QGroupBox(DLG_CONVERT_GROUP, this);
    m_pSetDefaults = new QPushButton(DLG_SET_DEFAULT_PARAMETERS, convertGroup);
    m_pSetDefaults->setObjectName("SetDefaults");
    m_pLoadLastRun = new QPushButton(DLG_LOAD_LAST_RUN, convertGroup);
    m_pLoadLastRun->setObjectName("LoadLastRun");
    m_pA = MakeField(convertGroup, "A");
    m_pX0 = MakeField(convertGroup, "X0");
    m_pY0 = MakeField(convertGroup, "Y0");
    m_pGain = MakeList(convertGroup, "Gain", GAIN_LIST_ITEMS);
    m_pNegative = new QCheckBox(DLG_OUTPUT_NEGATIVE, convertGroup);
    m_pNegative->setObjectName("Negative");
    m_pBinSize = MakeList(convertGroup, "BinSize", DLG_BIN_SIZE_ITEMS);
    m_pOutputFormat = MakeList(convertGroup, "OutputFormat", DLG_OUTPUT_FORMAT_ITEMS);
    m_pStatistics = new QCheckBox(DLG_DISPLAY_STATISTICS, convertGroup);
    m_pStatistics->setObjectName("Statistics");
    m_pConvert = new QPushButton(DLG_CONVERT, convertGroup);
    m_pConvert->setObjectName("Convert");

    auto* cutGroup = new QGroupBox(DLG_CUT_GROUP, this);
    m_pStartX = MakeField(cutGroup, "StartX");
    m_pStartY = MakeField(cutGroup, "StartY");
    m_pEndX = MakeField(cutGroup, "EndX");
    m_pEndY = MakeField(cutGroup, "EndY");
    m_pCut = new QPushButton(DLG_CUT, cutGroup);
    m_pCut->setObjectName("Cut");

    m_pProgress = new QProgressBar(this);
    m_pProgress->setObjectName("Progress");
    m_pProgress->setRange(0, PROGRESS_END);
    m_pProgress->setValue(0);
    m_pProgress->setTextVisible(false);
    m_progress.SetBar(m_pProgress);

    for (QPushButton* button : {m_pLoadFiles, m_pSetDefaults, m_pLoadLastRun, m_pConvert, m_pCut})
        button->setAutoDefault(false);

    // Convert group: constants and GAIN on the left, output options on the right.
    auto* fit = new QGridLayout;
    fit->addWidget(new QLabel(DLG_LABEL_A, convertGroup), 0, 0);
    fit->addWidget(m_pA, 0, 1);
    fit->addWidget(new QLabel(DLG_LABEL_X0, convertGroup), 1, 0);
    fit->addWidget(m_pX0, 1, 1);
    fit->addWidget(new QLabel(DLG_LABEL_Y0, convertGroup), 2, 0);
    fit->addWidget(m_pY0, 2, 1);
    fit->addWidget(new QLabel(DLG_LABEL_GAIN, convertGroup), 3, 0);
    fit->addWidget(m_pGain, 3, 1);
    fit->addWidget(m_pSetDefaults, 4, 0, 1, 2);
    fit->addWidget(m_pLoadLastRun, 5, 0, 1, 2);
    auto* options = new QVBoxLayout;
    options->addWidget(new QLabel(DLG_FITTING_EQUATION, convertGroup));
    options->addWidget(m_pNegative);
    auto* lists = new QGridLayout;
    lists->addWidget(new QLabel(DLG_BIN_SIZE_LABEL, convertGroup), 0, 0);
    lists->addWidget(m_pBinSize, 0, 1);
    lists->addWidget(new QLabel(DLG_OUTPUT_FORMAT_LABEL, convertGroup), 1, 0);
    lists->addWidget(m_pOutputFormat, 1, 1);
    options->addLayout(lists);
    options->addWidget(m_pStatistics);
    m_pStatistics->setMinimumWidth(m_pStatistics->sizeHint().width());
    options->addWidget(m_pConvert);
    auto* convertLayout = new QHBoxLayout(convertGroup);
    convertLayout->addLayout(fit);
    convertLayout->addLayout(options, 1);

    auto* cutLayout = new QGridLayout(cutGroup);
    cutLayout->addWidget(new QLabel(DLG_START_X, cutGroup), 0, 0);
    cutLayout->addWidget(m_pStartX, 0, 1);
    cutLayout->addWidget(new QLabel(DLG_START_Y, cutGroup), 0, 2);
    cutLayout->addWidget(m_pStartY, 0, 3);
    cutLayout->addWidget(new QLabel(DLG_END_X, cutGroup), 1, 0);
    cutLayout->addWidget(m_pEndX, 1, 1);
    cutLayout->addWidget(new QLabel(DLG_END_Y, cutGroup), 1, 2);
    cutLayout->addWidget(m_pEndY, 1, 3);
    cutLayout->addWidget(m_pCut, 2, 0, 1, 4);

    auto* top = new QHBoxLayout;
    top->addWidget(m_pLoadFiles, 1);
    for (int i = 0; i < 5; ++i)
        top->addWidget(MakeIcon(this));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(convertGroup);
    layout->addWidget(cutGroup);
    layout->addWidget(m_pProgress);

    // Keyboard order of the controls.
    const QWidget* order[] = {
        m_pLoadFiles, m_pConvert,      m_pA,           m_pX0,         m_pY0,         m_pNegative,
        m_pBinSize,   m_pOutputFormat, m_pSetDefaults, m_pStatistics, m_pCut,        m_pStartX,
        m_pStartY,    m_pEndX,         m_pEndY,        m_pGain,       m_pLoadLastRun};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(const_cast<QWidget*>(order[i - 1]), const_cast<QWidget*>(order[i]));

    ShowLogic();

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
        dialog.Logic().m_mrcStyle = owner.WritesMrc2014() ? MrcStyle::Mrc2014 : MrcStyle::Classic;
        owner.GetDialogs().Exec(dialog);
    };
}

} // namespace gc
