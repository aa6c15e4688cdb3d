// One accessible child per cell, made when first asked for and registered with
// Qt, which hands out their ids; the grid's interface removes them with it.
#include "platform/qt/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>
#include <QWindow>

#include <array>

#include "platform/qt/swatch_widgets.h"

namespace tavrin::qt {

namespace {

class CellAccessible : public QAccessibleInterface {
  public:
    CellAccessible(SwatchGrid* grid, int index) : grid_(grid), index_(index) {}

    bool isValid() const override { return !grid_.isNull(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return grid_ ? grid_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return grid_ ? QAccessible::queryAccessibleInterface(grid_.data()) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

    QString text(QAccessible::Text kind) const override {
        if (!grid_ || kind != QAccessible::Name) {
            return {};
        }
        return grid_->accessible_name ? grid_->accessible_name(index_)
                                      : QStringLiteral("Color %1").arg(index_);
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override {
        if (!grid_) {
            return {};
        }
        const QRect cell = SwatchGrid::cell_rect(index_);
        return {grid_->mapToGlobal(cell.topLeft()), cell.size()};
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }

    QAccessible::State state() const override {
        QAccessible::State state;
        if (!grid_) {
            state.invalid = true;
            return state;
        }
        state.focusable = true;
        state.selectable = true;
        state.multiSelectable = true;
        state.disabled = !grid_->isEnabled() || !grid_->cell_enabled(index_);
        state.invisible = !grid_->isVisible();
        state.focused = grid_->hasFocus() && grid_->focused_cell() == index_;
        state.selected = grid_->selected && grid_->selected(index_);
        return state;
    }

  private:
    QPointer<SwatchGrid> grid_;
    int index_;
};

class GridAccessible : public QAccessibleWidget {
  public:
    explicit GridAccessible(SwatchGrid* grid) : QAccessibleWidget(grid, QAccessible::List) {
        ids_.fill(0);
    }
    ~GridAccessible() override {
        for (QAccessible::Id id : ids_) {
            if (id != 0) {
                QAccessible::deleteAccessibleInterface(id);
            }
        }
    }

    int childCount() const override { return palette_size; }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= palette_size) {
            return nullptr;
        }
        QAccessible::Id& id = ids_[static_cast<std::size_t>(index)];
        if (id == 0) {
            id = QAccessible::registerAccessibleInterface(new CellAccessible(grid(), index));
        }
        return QAccessible::accessibleInterface(id);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (int i = 0; i < palette_size; ++i) {
            const QAccessible::Id id = ids_[static_cast<std::size_t>(i)];
            if (id != 0 && QAccessible::accessibleInterface(id) == child) {
                return i;
            }
        }
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        return child(SwatchGrid::cell_at(grid()->mapFromGlobal(QPoint(x, y))));
    }
    QAccessibleInterface* focusChild() const override {
        return grid()->hasFocus() ? child(grid()->focused_cell()) : nullptr;
    }

  private:
    SwatchGrid* grid() const { return static_cast<SwatchGrid*>(widget()); }

    mutable std::array<QAccessible::Id, palette_size> ids_{};
};

QAccessibleInterface* make_interface(const QString&, QObject* object) {
    if (auto* grid = dynamic_cast<SwatchGrid*>(object)) {
        return new GridAccessible(grid);
    }
    return nullptr;
}

}  // namespace

void install_accessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(make_interface);
        return true;
    }();
    (void)installed;
}

}  // namespace tavrin::qt
