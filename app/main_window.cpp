// The window's layout and wiring. Positions are the fixed pixel layout of the editor,
// measured in the content area below the menu bar.
#include "main_window.h"

#include "canvas.h"
#include "captions_and_numbers.h"

#include "level/status_line.h"
#include "session/step_names.h"

#include "storage/level/level_file.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QUndoStack>
#include <QValidator>

namespace kivo {

namespace {

constexpr int CONTENT_WIDTH = 640;
constexpr int CONTENT_HEIGHT = 480;
// The level controls' column left of the canvas, and the bar of controls above both.
constexpr int LEFT_COLUMN_WIDTH = CANVAS_LEFT - 1;
constexpr int TOP_BAR_HEIGHT = CANVAS_TOP;
constexpr int STATUS_FIELD_WIDTHS[] = {141, 350, 150};
constexpr int CONTROL_FONT_PIXELS = 11;
constexpr int STATUS_BAR_TOP_GAP = 2;
constexpr int LINE_EDIT_MARGIN = 2; // QLineEdit's own space beside its text
// The widest texts these controls show.
constexpr const char* WIDEST_SCORE = "-32768";
// The widest status text: the lowest count with the longer verdict.
const QString WIDEST_STATUS =
    QStringLiteral(" -32768") + QLatin1String(CONNECTORS_TEXT) + QLatin1String(NOT_SOLVABLE_TEXT);

// Controls keep their visible text as their accessible name; the description tells fields
// apart.
template <typename Widget>
Widget* Place(Widget* widget, const char* name, int number, QRect geometry,
              const QString& description) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setProperty("control", number);
    widget->setGeometry(geometry);
    widget->setAccessibleDescription(description);
    return widget;
}

QLabel* Label(QWidget* parent, const char* text, QRect geometry) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

QPushButton* Button(QWidget* parent, const char* name, int number, const char* caption,
                    QRect geometry) {
    auto* button = new QPushButton(QString::fromLatin1(caption), parent);
    return Place(button, name, number, geometry, button->text());
}

QLineEdit* Field(QWidget* parent, const char* name, int number, const char* label, QRect geometry) {
    return Place(new QLineEdit(parent), name, number, geometry, QString::fromLatin1(label));
}

// A thin sunken edge that lets clicks through to the controls it surrounds.
void Frame(QWidget* parent, QRect geometry) {
    auto* frame = new QFrame(parent);
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setGeometry(geometry);
    frame->setAttribute(Qt::WA_TransparentForMouseEvents);
}

// Makes the widget's font smaller, for it alone, until `widest` fits in `room` pixels.
void FitFont(QWidget* widget, const QString& widest, int room) {
    QFont font = widget->font();
    while (font.pixelSize() > 1 && QFontMetrics(font).horizontalAdvance(widest) > room) {
        font.setPixelSize(font.pixelSize() - 1);
    }
    widget->setFont(font);
}

// The width a line edit has for its text: inside its frame and its text margins.
int TextRoom(const QLineEdit* field) {
    const int frame = field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, field);
    return field->width() - 2 * frame - 2 * LINE_EDIT_MARGIN;
}

constexpr const char* SCORE_RANGE_TEXT =
    "A level file holds a score as a whole number from -32768 to 32767.";
const QColor UNSAVEABLE_BASE(255, 221, 221);
constexpr int MAX_SCORE_DIGITS = 5; // 32768 and a sign

// A score field takes what a level file can hold: an optional sign and digits. What cannot be
// a score is refused as it is typed; what may still become one (an empty field, a lone sign, a
// number out of range) stays, and the field shows that it cannot be saved as it stands.
class ScoreValidator : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        int digits = 0;
        for (int i = 0; i < input.size(); ++i) {
            const QChar c = input[i];
            if (c.isDigit() && c.unicode() < 128) {
                ++digits;
            } else if (i > 0 || (c != '-' && c != '+')) {
                return Invalid;
            }
        }
        if (digits == 0) {
            return Intermediate;
        }
        if (digits > MAX_SCORE_DIGITS) {
            return Invalid;
        }
        return ParseScore(input.toStdString()) ? Acceptable : Intermediate;
    }
};

// Marks a score field whose text would not be saved as the designer reads it.
void MarkScore(QLineEdit* field) {
    const bool saveable = field->hasAcceptableInput();
    QPalette palette = field->parentWidget()->palette();
    if (!saveable) {
        palette.setColor(QPalette::Base, UNSAVEABLE_BASE);
    }
    field->setPalette(palette);
    field->setToolTip(saveable ? QString()
                               : QStringLiteral("This score cannot be saved. ") +
                                     QString::fromLatin1(SCORE_RANGE_TEXT));
}

// The pressed side-count button is filled with the highlight colour, whatever the style.
constexpr const char* SIDE_BUTTON_STYLE =
    "QPushButton { border: 1px solid palette(dark); background: palette(button); }"
    "QPushButton:checked { background: palette(highlight); color: palette(highlighted-text); }";

} // namespace

MainWindow::MainWindow(ShellState shell, Dialogs dialogs, RandomSource random)
    : shell_(std::move(shell)), dialogs_(std::move(dialogs)),
      session_(shell_.baseDir, shell_.recoveryDir, std::move(random)) {
    BuildMainWindow();
    Connect();
    ConnectSession();
}

// The children outlive this object's members while QWidget takes them down; a signal sent then
// (a focus-out of the pack name, the session's stacks as they clear themselves) must not reach
// a command on a member that is gone.
MainWindow::~MainWindow() {
    for (QObject* child : findChildren<QObject*>()) {
        child->disconnect(this);
        child->removeEventFilter(this);
    }
    session_.disconnect(this);
    session_.level().disconnect(this);
    session_.packs().disconnect(this);
}

void MainWindow::BuildMainWindow() {
    ShowTitle();
    // The layout was drawn for a small control font; larger ones would not fit its fields.
    QFont small = font();
    small.setPixelSize(CONTROL_FONT_PIXELS);
    setFont(small);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    BuildMenu();
    auto* content = new QWidget(this);
    content->setObjectName(QStringLiteral("content"));
    setCentralWidget(content);
    BuildLevelControls(content);
    BuildStatusBar();
    BuildPackPanel(content);
    // The menu bar and the status bar take their heights from the 480 pixels.
    setFixedSize(CONTENT_WIDTH, CONTENT_HEIGHT);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

void MainWindow::BuildMenu() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
    file->setObjectName(QStringLiteral("fileMenu"));
    auto item = [file](const char* caption, int number) {
        QAction* action = file->addAction(QString::fromLatin1(caption));
        action->setProperty("menuItem", number);
        return action;
    };
    ui_.loadItem = item("&Load...", LOAD_ITEM);
    ui_.saveItem = item("Save", SAVE_ITEM);
    ui_.saveAsItem = item("Save As...", SAVE_AS_ITEM);
    // The platform's keys for these, and the common ones where it has none (Save As).
    const std::pair<QAction*, QKeySequence::StandardKey> keys[] = {
        {ui_.loadItem, QKeySequence::Open},
        {ui_.saveItem, QKeySequence::Save},
        {ui_.saveAsItem, QKeySequence::SaveAs}};
    const QKeySequence common[] = {QKeySequence(Qt::CTRL | Qt::Key_O),
                                   QKeySequence(Qt::CTRL | Qt::Key_S),
                                   QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)};
    for (size_t k = 0; k < std::size(keys); ++k) {
        QList<QKeySequence> sequences = QKeySequence::keyBindings(keys[k].second);
        if (!sequences.contains(common[k])) {
            sequences.prepend(common[k]);
        }
        keys[k].first->setShortcuts(sequences);
    }
    file->addSeparator();
    ui_.aboutItem = item("About", ABOUT_ITEM);
    file->addSeparator();
    ui_.exitItem = item("Exit", EXIT_ITEM);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("Edit"));
    edit->setObjectName(QStringLiteral("editMenu"));
    QUndoStack* history = session_.level().history();
    ui_.undoItem = history->createUndoAction(edit, QStringLiteral("Undo"));
    ui_.undoItem->setShortcut(QKeySequence::Undo);
    ui_.redoItem = history->createRedoAction(edit, QStringLiteral("Redo"));
    ui_.redoItem->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    edit->addAction(ui_.undoItem);
    edit->addAction(ui_.redoItem);

    QMenu* view = menuBar()->addMenu(QStringLiteral("View"));
    view->setObjectName(QStringLiteral("viewMenu"));
    ui_.placementPreviewItem = view->addAction(QStringLiteral("Placement Preview"));
    ui_.placementPreviewItem->setObjectName(QStringLiteral("placementPreviewItem"));
    ui_.placementPreviewItem->setCheckable(true);
    ui_.placementPreviewItem->setChecked(true);
    BuildZoomItems(view);
    BuildHistoryItems(view);
    BuildPackMenu();
}

// Ctrl+= stands beside Ctrl++ for keyboards whose plus needs Shift.
void MainWindow::BuildZoomItems(QMenu* view) {
    view->addSeparator();
    auto item = [view](const char* caption, const char* name, QList<QKeySequence> keys) {
        QAction* action = view->addAction(QString::fromLatin1(caption));
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcuts(keys);
        return action;
    };
    ui_.zoomInItem =
        item("Zoom In", "zoomInItem",
             {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    ui_.zoomOutItem = item("Zoom Out", "zoomOutItem", {QKeySequence(Qt::CTRL | Qt::Key_Minus)});
    ui_.actualSizeItem =
        item("Actual Size", "actualSizeItem", {QKeySequence(Qt::CTRL | Qt::Key_0)});
    ui_.fitLevelItem = item("Fit Level", "fitLevelItem", {QKeySequence(Qt::CTRL | Qt::Key_9)});
}

void MainWindow::BuildLevelControls(QWidget* content) {
    ui_.rotationSlider = Place(new QSlider(Qt::Horizontal, content), "rotationSlider",
                               ROTATION_SLIDER, {25, 2, 360, 19}, QStringLiteral("Rotation"));
    ui_.rotationSlider->setRange(0, 360);
    ui_.rotationSlider->setAccessibleName(QStringLiteral("Rotation"));
    ui_.rotationSlider->setAccessibleDescription(
        QStringLiteral("Turns the level about the canvas centre, in degrees"));
    // The angle stands beside the slider, and in its tooltip, as the thumb moves.
    ui_.rotationAngle = new QLabel(content);
    ui_.rotationAngle->setObjectName(QStringLiteral("rotationAngle"));
    ui_.rotationAngle->setGeometry(388, 2, 30, 19);
    ui_.rotationAngle->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ShowAngle(0);
    connect(ui_.rotationSlider, &QSlider::valueChanged, this, &MainWindow::ShowAngle);
    ui_.clearButton = Button(content, "clearButton", CLEAR_BUTTON, "Clear KIVO", {25, 35, 88, 19});
    ui_.centerButton =
        Button(content, "centerButton", CENTER_BUTTON, "Center KIVO", {25, 60, 88, 19});
    QLabel* targetLabel = Label(content, "Target Score :", {5, 95, 88, 19});
    ui_.targetScoreField =
        Field(content, "targetScoreField", TARGET_SCORE_FIELD, "Target Score", {85, 95, 40, 19});
    QLabel* expertLabel = Label(content, "Expert Score :", {5, 130, 88, 19});
    ui_.expertScoreField =
        Field(content, "expertScoreField", EXPERT_SCORE_FIELD, "Expert Score", {85, 130, 40, 19});
    targetLabel->setBuddy(ui_.targetScoreField);
    expertLabel->setBuddy(ui_.expertScoreField);
    for (QLineEdit* field : {ui_.targetScoreField, ui_.expertScoreField}) {
        FitFont(field, QString::fromLatin1(WIDEST_SCORE), TextRoom(field));
        field->setValidator(new ScoreValidator(field));
        connect(field, &QLineEdit::textChanged, field, [field] { MarkScore(field); });
    }
    ShowScores();

    auto* group = new QButtonGroup(this);
    for (int k = 0; k < int(ui_.sideButtons.size()); ++k) {
        const QByteArray caption = QByteArray::number(MIN_SIDE_COUNT + k);
        const QByteArray name = "sideButton" + caption;
        QPushButton* button = Button(content, name.constData(), FIRST_SIDE_BUTTON + k,
                                     caption.constData(), {420 + 22 * k, 2, 19, 19});
        button->setCheckable(true);
        button->setStyleSheet(QString::fromLatin1(SIDE_BUTTON_STYLE));
        // Spoken beside the caption: "Triangle, 3 sides".
        button->setAccessibleDescription(QStringLiteral("%1, %2 sides")
                                             .arg(PolygonName(MIN_SIDE_COUNT + k))
                                             .arg(MIN_SIDE_COUNT + k));
        group->addButton(button, FIRST_SIDE_BUTTON + k);
        ui_.sideButtons[size_t(k)] = button;
    }
    Frame(content, {0, 0, CONTENT_WIDTH, TOP_BAR_HEIGHT});
    Frame(content, {0, TOP_BAR_HEIGHT, LEFT_COLUMN_WIDTH, 145});
    ui_.canvas = Place(new Canvas(level(), content), "canvas", CANVAS,
                       {CANVAS_LEFT, CANVAS_TOP, CANVAS_WIDTH, CANVAS_HEIGHT},
                       QStringLiteral("The level: a left click or Enter places a polygon, a "
                                      "right click or Delete deletes the nearest one; the arrow "
                                      "keys move the cursor"));
    ui_.canvas->setAccessibleName(QStringLiteral("Canvas"));
    ui_.canvas->setSideCountSource([this] { return sideCount_; });
    connect(ui_.placementPreviewItem, &QAction::toggled, ui_.canvas, &Canvas::setPreviewEnabled);
}

void MainWindow::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setSizeGripEnabled(false);
    auto* fields = new QWidget(bar);
    const int height = fields->fontMetrics().height() + 6;
    int x = 0;
    for (int i = 0; i < 3; ++i) {
        auto* field = new QLabel(fields);
        field->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        field->setGeometry(x, 0, STATUS_FIELD_WIDTHS[i], height);
        field->setObjectName(QStringLiteral("statusField%1").arg(i));
        x += STATUS_FIELD_WIDTHS[i];
    }
    ui_.statusField = fields->findChild<QLabel*>(QStringLiteral("statusField1"));
    ui_.statusField->setAccessibleDescription(QStringLiteral("Status"));
    FitFont(ui_.statusField, WIDEST_STATUS, ui_.statusField->contentsRect().width());
    // Placed by hand rather than added to the bar, whose layout would shift the fields off
    // their edges at 141, 491 and 641.
    fields->setGeometry(0, STATUS_BAR_TOP_GAP, x, height);
    bar->setFixedHeight(height + STATUS_BAR_TOP_GAP);
}

// The panel's children are placed inside its sunken edge.
void MainWindow::BuildPackPanel(QWidget* content) {
    auto* panel =
        Place(new QFrame(content), "packPanel", PACK_PANEL, {0, 169, LEFT_COLUMN_WIDTH, 268},
              QStringLiteral("The pack whose details are shown"));
    panel->setAccessibleName(QStringLiteral("Pack"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ui_.packPanel = panel;
    const QPoint inner = panel->contentsRect().topLeft();
    auto at = [inner](QRect r) { return r.translated(inner); };
    QLabel* comboLabel = Label(panel, "Current Pack :", at({10, 10, 80, 14}));
    ui_.packCombo = Place(new QComboBox(panel), "packCombo", PACK_COMBO, at({10, 28, 115, 20}),
                          QStringLiteral("Current Pack"));
    ui_.packCombo->setEditable(true);
    ui_.packCombo->setInsertPolicy(QComboBox::NoInsert);
    ui_.packCombo->setCompleter(nullptr);
    ui_.packCombo->setMaxVisibleItems(5); // about 100 pixels of list
    comboLabel->setBuddy(ui_.packCombo);
    QLabel* authorLabel = Label(panel, "Author :", at({10, 56, 80, 14}));
    ui_.authorField = Field(panel, "authorField", AUTHOR_FIELD, "Author", at({10, 74, 115, 20}));
    authorLabel->setBuddy(ui_.authorField);
    QLabel* dateLabel = Label(panel, "Date Created :", at({10, 102, 90, 14}));
    ui_.dateCreatedField = Field(panel, "dateCreatedField", DATE_CREATED_FIELD, "Date Created",
                                 at({10, 120, 115, 20}));
    dateLabel->setBuddy(ui_.dateCreatedField);
    QLabel* idLabel = Label(panel, "Pack ID (Unique) :", at({10, 148, 90, 14}));
    FitFont(idLabel, idLabel->text(), idLabel->contentsRect().width());
    ui_.packIdLabel =
        Place(new QLabel(QString::fromStdString(PackPanel{}.packId), panel), "packIdLabel",
              PACK_ID_LABEL, at({10, 166, 115, 20}), QStringLiteral("Pack ID (Unique)"));
    ui_.packIdLabel->setEnabled(false);
    ui_.applyChangeButton = Button(panel, "applyChangeButton", APPLY_CHANGE_BUTTON, "Apply Change",
                                   at({25, 191, 88, 19}));
    ui_.newPackButton =
        Button(panel, "newPackButton", NEW_PACK_BUTTON, "New", at({25, 216, 88, 19}));
    ui_.deletePackButton =
        Button(panel, "deletePackButton", DELETE_PACK_BUTTON, "Delete", at({25, 241, 88, 19}));
}

void MainWindow::Connect() {
    connect(ui_.canvas, &Canvas::leftClicked, this, &MainWindow::PlaceAt);
    connect(ui_.canvas, &Canvas::rightClicked, this, &MainWindow::DeleteNearest);
    for (QPushButton* button : ui_.sideButtons) {
        const int number = button->property("control").toInt();
        connect(button, &QPushButton::clicked, this, [this, number] { SelectSideCount(number); });
    }
    connect(ui_.clearButton, &QPushButton::clicked, this, &MainWindow::Clear);
    LevelDocument* document = &session_.level();
    connect(ui_.centerButton, &QPushButton::clicked, document, &LevelDocument::Center);
    connect(ui_.centerButton, &QPushButton::clicked, ui_.canvas, &Canvas::showCanvasArea);
    connect(ui_.zoomInItem, &QAction::triggered, ui_.canvas, &Canvas::zoomIn);
    connect(ui_.zoomOutItem, &QAction::triggered, ui_.canvas, &Canvas::zoomOut);
    connect(ui_.actualSizeItem, &QAction::triggered, ui_.canvas, &Canvas::showActualSize);
    connect(ui_.fitLevelItem, &QAction::triggered, ui_.canvas, &Canvas::fitLevel);
    connect(ui_.rotationSlider, &QSlider::valueChanged, this, &MainWindow::Rotate);
    connect(ui_.rotationSlider, &QSlider::sliderPressed, document, &LevelDocument::BeginDrag);
    connect(ui_.rotationSlider, &QSlider::sliderReleased, document, &LevelDocument::EndDrag);
    for (auto [field, score] : {std::pair{ui_.targetScoreField, ScoreField::Target},
                                std::pair{ui_.expertScoreField, ScoreField::Expert}}) {
        connect(field, &QLineEdit::textEdited, this,
                [document, score = score](const QString& text) {
                    document->SetScore(score, text.toStdString());
                });
        field->installEventFilter(this);
    }
    ConnectPackCombo();
    connect(ui_.applyChangeButton, &QPushButton::clicked, this, &MainWindow::ApplyChange);
    connect(ui_.newPackButton, &QPushButton::clicked, this, &MainWindow::NewPack);
    connect(ui_.deletePackButton, &QPushButton::clicked, this, &MainWindow::DeleteShownPack);
    connect(ui_.loadItem, &QAction::triggered, this, &MainWindow::Load);
    connect(ui_.saveItem, &QAction::triggered, this, &MainWindow::Save);
    connect(ui_.saveAsItem, &QAction::triggered, this, &MainWindow::SaveAs);
    connect(ui_.aboutItem, &QAction::triggered, this, &MainWindow::About);
    connect(ui_.exitItem, &QAction::triggered, this, &MainWindow::Exit);
}

// The window shows what the session holds, whenever it changes.
void MainWindow::ConnectSession() {
    LevelDocument* document = &session_.level();
    connect(document, &LevelDocument::levelChanged, this, &MainWindow::Refresh);
    connect(document, &LevelDocument::fileChanged, this, &MainWindow::ShowTitle);
    connect(document, &LevelDocument::modifiedChanged, this, &QWidget::setWindowModified);
    connect(document, &LevelDocument::sliderChanged, this, &MainWindow::ShowSlider);
    connect(&session_.packs(), &PackDocument::shownPackChanged, this, &MainWindow::ShowPanel);
    connect(&session_.recovery(), &RecoveryKeeper::copyFailed, this, [this](const QString& why) {
        dialogs_.tell(this, MessageKind::Information, QString::fromLatin1(INFORMATION_TITLE), why);
    });
}

// Only an entry chosen from the list, or stepped to with the arrow keys or the wheel, shows a
// pack. The combo itself would also choose the entry whose name the typed text matches when
// Return is pressed or the field is left; typed text is the new name for the shown pack, so
// those two ways are cut.
void MainWindow::ConnectPackCombo() {
    QLineEdit* edit = ui_.packCombo->lineEdit();
    disconnect(edit, &QLineEdit::returnPressed, ui_.packCombo, nullptr);
    disconnect(edit, &QLineEdit::editingFinished, ui_.packCombo, nullptr);
    connect(ui_.packCombo, &QComboBox::activated, this, &MainWindow::ChoosePack);
    connect(edit, &QLineEdit::textEdited, this, [this](const QString& text) { typedName_ = text; });
}

} // namespace kivo
