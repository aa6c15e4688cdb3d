// Building the main window and routing its events into the core.
#include "platform/qt/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <QWindow>

#include "image/png_file.h"
#include "platform/qt/accelerators.h"
#include "platform/qt/accessibility.h"
#include "platform/qt/dialog_units.h"
#include "platform/qt/panel_widgets.h"
#include "platform/qt/preview_window.h"
#include "platform/qt/qt_window_layer.h"
#include "platform/qt/swatch_widgets.h"
#include "ui/cell_description.h"
#include "ui/color_panel.h"
#include "ui/menu_table.h"
#include "ui/open_path.h"
#include "ui/selection_input.h"
#include "ui/transparency_commands.h"

namespace tavrin::qt {

namespace {

// Client area of the template IDD_MAIN: 266 x 341 dialog units.
const QSize client_size(dlu_x(266), dlu_y(341));

// The options of the menus, kept between runs beside the dialogs' folders.
EditorOptions remembered_options() {
    QSettings settings(QStringLiteral("Tavrin"), QStringLiteral("Tavrin"));
    EditorOptions options;
    options.show_transparency =
        settings.value(QStringLiteral("options/show_transparency"), false).toBool();
    options.keep_black_opaque =
        settings.value(QStringLiteral("options/keep_black_opaque"), false).toBool();
    return options;
}

void remember_options(const EditorOptions& options) {
    QSettings settings(QStringLiteral("Tavrin"), QStringLiteral("Tavrin"));
    settings.setValue(QStringLiteral("options/show_transparency"), options.show_transparency);
    settings.setValue(QStringLiteral("options/keep_black_opaque"), options.keep_black_opaque);
}

// Cell of index i: 20 x 20 at (8 + 24 c, 5 + 24 r), in client pixels.
constexpr QPoint grid_origin(8, 5);

}  // namespace

// The shortcut table's keys act on the main window before the
// focused control sees them, and only while their menu item is enabled; a
// grayed item's key goes nowhere.
class MainWindow::KeyRouter : public QObject {
  public:
    KeyRouter(MainWindow& window, EditorState& state, QtWindowLayer& layer)
        : window_(window), state_(state), layer_(layer) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) {
            return false;
        }
        auto* widget = static_cast<QWidget*>(watched);
        // Not while a menu is being browsed, as the menu loop takes the keys.
        if (widget->window() != &window_ || qobject_cast<QMenuBar*>(widget) != nullptr) {
            return false;
        }
        const auto* key = static_cast<QKeyEvent*>(event);
        const auto command = accelerator_command(key->key(), key->modifiers());
        if (!command) {
            return false;
        }
        window_.command(*command);  // does nothing while grayed
        return true;
    }

  private:
    MainWindow& window_;
    EditorState& state_;
    QtWindowLayer& layer_;
};

MainWindow::MainWindow() : layer_(make_window_layer(*this)) {
    setWindowTitle(QStringLiteral("Tavrin"));
    setObjectName(QStringLiteral("main_window"));
    // Moved and minimized, never resized or maximized.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    // Tips show also while another program is active.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setAcceptDrops(true);
    install_accessibility();

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    QFont font = client->font();
    font.setPixelSize(11);  // the template's 8 points at 96 DPI
    client->setFont(font);
    client->setFixedSize(client_size);
    setCentralWidget(client);

    build_menu();
    build_panel(client);
    build_grid(client);
    set_tab_order();
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    state_.preview.png_writer = save_png;
    state_.finder.threads = finder_threads(*this, *layer_);
    state_.options = remembered_options();
    start_editor(state_, *layer_, layer_->program_dir());

    // The window starts with no control focused, so the first Tab reaches the
    // first tab stop.
    client->setFocus();

    key_router_ = std::make_unique<KeyRouter>(*this, state_, *layer_);
    qApp->installEventFilter(key_router_.get());
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState app_state) {
                on_activate(state_, *layer_, app_state == Qt::ApplicationActive);
            });

    // Centred on the screen, as the template asks.
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

PreviewWindow* MainWindow::preview() {
    // Made when first asked for, so that it costs nothing before the first paint.
    if (!preview_) {
        preview_ = std::make_unique<PreviewWindow>(state_, *layer_);
        // A preview left open does not keep the program running.
        preview_->setAttribute(Qt::WA_QuitOnClose, false);
    }
    return preview_.get();
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(key_router_.get());
}

void MainWindow::build_menu() {
    std::vector<QMenu*> open_popups;
    for (const MenuRow& row : menu_rows()) {
        const QString text = QString::fromLatin1(row.text.data(), qsizetype(row.text.size()));
        switch (row.kind) {
            case MenuRow::Kind::popup_begin: {
                QMenu* menu = open_popups.empty() ? menuBar()->addMenu(text)
                                                  : open_popups.back()->addMenu(text);
                open_popups.push_back(menu);
                break;
            }
            case MenuRow::Kind::popup_end:
                open_popups.pop_back();
                break;
            case MenuRow::Kind::separator:
                open_popups.back()->addSeparator();
                break;
            case MenuRow::Kind::command: {
                // The label after the tab shows in the shortcut column; the keys
                // themselves are routed by KeyRouter, never by Qt's shortcuts.
                QAction* action = open_popups.back()->addAction(text);
                action->setObjectName(QStringLiteral("action_%1").arg(row.command_id));
                const int id = row.command_id;
                connect(action, &QAction::triggered, this, [this, id] { command(id); });
                actions_[id] = action;
                break;
            }
        }
    }
}

void MainWindow::build_panel(QWidget* client) {
    const std::array<QString, 3> channel_names = {QStringLiteral("Red"), QStringLiteral("Green"),
                                                  QStringLiteral("Blue")};
    for (int id : ids::sliders) {
        auto* slider = new TrackBar(client);
        slider->setObjectName(QStringLiteral("slider_%1").arg(id));
        const int row = id - ids::slider_red;
        slider->setGeometry(dlu_rect(33, 242 + 14 * row, 100, 12));
        slider->setAccessibleName(channel_names[row]);
        // Every user action (drag, click, key, wheel) reports; the program's
        // own setValue does not. During the action the new position is
        // already there, the value not yet.
        connect(slider, &QAbstractSlider::actionTriggered, this, [this, id, slider](int) {
            on_slider_moved(state_, *layer_, id, slider->sliderPosition());
        });
        controls_[id] = slider;
    }
    add_template_label(client, QStringLiteral("Red"), dlu_rect(7, 244, 14, 8));
    add_template_label(client, QStringLiteral("Green"), dlu_rect(7, 258, 20, 8));
    add_template_label(client, QStringLiteral("Blue"), dlu_rect(7, 272, 15, 8));

    auto add_field = [&](int id, QRect rect, QValidator* validator) {
        auto* field = new QLineEdit(client);
        field->setObjectName(QStringLiteral("field_%1").arg(id));
        field->setGeometry(rect);
        field->setValidator(validator);
        field->setEnabled(false);
        // textEdited is the user's typing only; the program's setText is silent.
        connect(field, &QLineEdit::textEdited, this,
                [this, id] { on_field_edited(state_, *layer_, id); });
        field->installEventFilter(this);
        controls_[id] = field;
        return field;
    };
    for (int id : ids::decimal_fields) {
        const int row = id - ids::field_red;
        QLineEdit* field =
            add_field(id, dlu_rect(140, 244 + 14 * row, 22, 12), new DigitsValidator(client));
        field->setText(QStringLiteral("0"));
        field->setAccessibleName(channel_names[row] + QStringLiteral(" value"));
    }

    auto* current = new ColorBox(client);
    current->setObjectName(QStringLiteral("box_303"));
    current->setGeometry(dlu_rect(170, 261, 44, 23));
    current->setAccessibleName(QStringLiteral("Current color"));
    controls_[ids::current_box] = current;
    auto* starting = new ColorBox(client);
    starting->setObjectName(QStringLiteral("box_304"));
    starting->setGeometry(dlu_rect(214, 261, 44, 23));
    starting->on_double_click = [this] { on_starting_box_double_clicked(state_, *layer_); };
    starting->setAccessibleName(QStringLiteral("Starting color"));
    starting->setAccessibleDescription(QStringLiteral("Double-click to restore it"));
    controls_[ids::starting_box] = starting;

    // A bitmap static takes its bitmap's size plus the sunken edge.
    auto* banner = new QLabel(client);
    banner->setObjectName(QStringLiteral("banner"));
    const QPixmap bitmap(QStringLiteral(":/tavrin/banner.bmp"));
    banner->setPixmap(bitmap);
    banner->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    banner->setLineWidth(1);
    banner->setGeometry(QRect(dlu_rect(7, 304, 0, 0).topLeft(), bitmap.size() + QSize(2, 2)));
    banner->setAccessibleName(QStringLiteral("Tavrin banner"));
    controls_[ids::banner] = banner;

    add_template_label(client, QStringLiteral("Hex color value"), dlu_rect(170, 244, 50, 8),
                       Qt::AlignRight);
    QLineEdit* hex =
        add_field(ids::field_hex, dlu_rect(226, 244, 32, 12), new UpperCaseValidator(client));
    hex->setText(QStringLiteral("0000"));
    hex->setAccessibleName(QStringLiteral("Hex color value"));

    auto* semi = new QCheckBox(QStringLiteral("Semi-transparent (bit 15)"), client);
    semi->setObjectName(QStringLiteral("check_%1").arg(ids::check_semi_transparent));
    semi->setGeometry(dlu_rect(140, 288, 118, 10));
    semi->setEnabled(false);
    // clicked is the user's only; the core's setChecked emits none.
    connect(semi, &QCheckBox::clicked, this,
            [this](bool checked) { on_semi_transparent_checked(state_, *layer_, checked); });
    controls_[ids::check_semi_transparent] = semi;
}

void MainWindow::build_grid(QWidget* client) {
    grid_ = new SwatchGrid(client);
    grid_->move(grid_origin);
    grid_->setAccessibleName(QStringLiteral("Colors"));
    grid_->accessible_name = [this](int index) {
        return QString::fromStdString(cell_accessible_name(state_, index));
    };
    grid_->selected = [this](int index) { return cell_selected(state_, index); };
    grid_->on_click = [this](int index, Modifiers modifiers) {
        on_swatch_clicked(state_, *layer_, index, modifiers);
    };
    grid_->on_arrow = [this](ArrowKey key, Modifiers modifiers) {
        on_arrow_key(state_, *layer_, key, modifiers);
    };
    grid_->tooltip = [this](int index) -> std::optional<QString> {
        if (auto text = tooltip_text(state_, index)) {
            return QString::fromStdString(*text);
        }
        return std::nullopt;
    };
}

void MainWindow::set_tab_order() {
    // Template order: the sliders, the decimal fields, the bit 15 box, the hex
    // field, then the grid as one stop (cell 0), so Shift+Tab from a cell
    // still reaches the hex field.
    const std::array<int, 9> order = {ids::slider_red,
                                      ids::slider_green,
                                      ids::slider_blue,
                                      ids::field_red,
                                      ids::field_green,
                                      ids::field_blue,
                                      ids::check_semi_transparent,
                                      ids::field_hex,
                                      ids::first_swatch};
    for (std::size_t i = 0; i + 1 < order.size(); ++i) {
        setTabOrder(control(order[i]), control(order[i + 1]));
    }
}

QWidget* MainWindow::control(int id) const {
    if (ids::is_swatch(id)) {
        return grid_;
    }
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second;
}

ColorBox* MainWindow::box(int id) const {
    return id == ids::current_box || id == ids::starting_box ? static_cast<ColorBox*>(control(id))
                                                             : nullptr;
}

QLineEdit* MainWindow::field(int id) const {
    return qobject_cast<QLineEdit*>(control(id));
}

QSlider* MainWindow::slider(int id) const {
    return qobject_cast<QSlider*>(control(id));
}

QAction* MainWindow::menu_action(int command_id) const {
    const auto found = actions_.find(command_id);
    return found == actions_.end() ? nullptr : found->second;
}

int MainWindow::id_of(const QWidget* widget) const {
    if (widget != nullptr && widget == grid_) {
        return ids::first_swatch + grid_->focused_cell();
    }
    for (const auto& [id, control] : controls_) {
        if (control == widget) {
            return id;
        }
    }
    return 0;
}

void MainWindow::command(int command_id) {
    run_command(state_, *layer_, command_id);
    if (!(state_.options == remembered_options())) {
        remember_options(state_.options);
    }
}

void MainWindow::set_icon() {
    QIcon icon;
    icon.addFile(QStringLiteral(":/tavrin/tavrin-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/tavrin/tavrin-32.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/tavrin/tavrin-48.png"), QSize(48, 48));
    setWindowIcon(icon);
}

void MainWindow::schedule_paint() {
    if (paint_pending_) {
        return;
    }
    paint_pending_ = true;
    QTimer::singleShot(0, this, [this] {
        if (paint_pending_) {
            paint_now();
        }
    });
}

void MainWindow::paint_now() {
    paint_pending_ = false;
    on_paint(state_, *layer_);
    // Now, so that an expose being handled draws them in the same pass.
    grid_->request_changed_cells();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == windowHandle()) {
        // The window uncovered or restored: the core repaints before Qt draws
        // the exposed part, so one pass shows cells whose state changed since.
        if (event->type() == QEvent::Expose && windowHandle()->isExposed()) {
            paint_now();
            if (!icon_set_) {
                // Decoded once the first paint is over, which does not need it.
                icon_set_ = true;
                QTimer::singleShot(0, this, [this] { set_icon(); });
            }
        }
        return QMainWindow::eventFilter(watched, event);
    }
    if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Opening a menu does not leave the field (the focus comes back when
        // the menu closes, on both front ends alike), and the program's own
        // focus moves are handled by the core itself.
        const bool menu = reason == Qt::PopupFocusReason || reason == Qt::MenuBarFocusReason;
        const int id = id_of(static_cast<QWidget*>(watched));
        if (!menu && !layer_->moving_focus() && id != 0) {
            on_field_left(state_, *layer_, id);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange) {
        // Minimizing and restoring are the only size changes this window has.
        // A restore repaints through the expose that follows it.
        on_size(state_, *layer_);
    }
    QMainWindow::changeEvent(event);
}

void MainWindow::open_path(const QString& path) {
    tavrin::open_path(state_, *layer_, QFile::encodeName(path).toStdString());
}

namespace {

// The one local file of a drag, or an empty text when it carries anything else.
QString dragged_file(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) {
        return {};
    }
    const QUrl url = data->urls().front();
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

}  // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!dragged_file(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QString path = dragged_file(event->mimeData());
    if (path.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    // After the drop has finished, so that the source is not kept waiting
    // while a dialog is open.
    QTimer::singleShot(0, this, [this, path] { open_path(path); });
}

void MainWindow::showEvent(QShowEvent* event) {
    // The platform window exists from the first show on; installing again
    // replaces the earlier filter.
    windowHandle()->installEventFilter(this);
    QMainWindow::showEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    close_editor(state_);
    event->accept();
}

}  // namespace tavrin::qt
