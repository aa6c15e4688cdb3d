// The main window: the controls of the template IDD_MAIN at the pixels both
// front ends share, the swatch grid, the menu IDM_MAIN and the accelerator
// table IDA_MAIN. It owns the editor's
// state and turns what the user does into the core's events.
#pragma once

#include <QMainWindow>

#include <map>
#include <memory>

#include "ui/editor.h"

class QAction;
class QLabel;
class QLineEdit;
class QSlider;

namespace tavrin::qt {

class PreviewWindow;

class ColorBox;
class QtWindowLayer;
class SwatchGrid;

class MainWindow : public QMainWindow {
  public:
    MainWindow();
    ~MainWindow() override;

    // Controls by their ids: sliders, fields, boxes, banner, and the grid for
    // any of the cells 9000..9255.
    QWidget* control(int id) const;
    SwatchGrid* grid() const { return grid_; }
    ColorBox* box(int id) const;
    QLineEdit* field(int id) const;
    QSlider* slider(int id) const;
    QAction* menu_action(int command_id) const;
    // 0 for none of ours; the grid answers with the id of its focused cell.
    int id_of(const QWidget* widget) const;

    // A menu command or shortcut; an option it changed is stored for the next run.
    void command(int command_id);

    // Opens a file named on the command line or dropped on the window.
    void open_path(const QString& path);

    // Runs the core's paint soon, once however often it is asked for; an
    // expose of the window before then runs it instead.
    void schedule_paint();

    const EditorState& state() const { return state_; }
    PreviewWindow* preview();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    class KeyRouter;

    void build_menu();
    void build_panel(QWidget* client);
    void build_grid(QWidget* client);
    void set_tab_order();
    void paint_now();
    void set_icon();

    EditorState state_;
    std::unique_ptr<QtWindowLayer> layer_;
    std::unique_ptr<KeyRouter> key_router_;
    std::unique_ptr<PreviewWindow> preview_;
    SwatchGrid* grid_ = nullptr;
    std::map<int, QWidget*> controls_;
    std::map<int, QAction*> actions_;
    bool paint_pending_ = false;
    bool icon_set_ = false;
};

}  // namespace tavrin::qt
