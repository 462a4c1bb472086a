#pragma once

#include "gridmodel.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QPointer>
#include <QTableView>

class TDataSource;
class TGridIndicator;
class TGridDelegate;

// Data-aware grid: one row per record of a data source's table, the current record marked in
// an indicator column at the left, cells edited in place unless read-only. The table's cursor
// is the only current row: user moves go to the table first and the view follows it.
class TDBGrid : public QTableView {
    Q_OBJECT

public:
    explicit TDBGrid(QWidget* parent = nullptr);

    void setDataSource(TDataSource* source);
    TDataSource* dataSource() const { return model_->dataSource(); }
    TGridModel* gridModel() const { return model_; }

    void setColumns(const QList<TColumn>& columns);
    QList<TColumn> columns() const { return model_->columns(); }
    void setColumnWidthPixels(int column, int px); // 0 hides the column, more shows it
    void moveColumn(int from, int to);             // titles and widths go with the column

    void setSelectedIndex(int column); // the current column; the row stays
    int selectedIndex() const;

    void setReadOnly(bool on);
    bool isReadOnly() const { return model_->isReadOnly(); }

    void setTitleFont(const QFont& font);
    QFont titleFont() const;

    // Cell colours only; the titles and the indicator keep theirs.
    void setCellColors(const QColor& text, const QColor& background);
    void setTextColor(const QColor& color);
    void setBackgroundColor(const QColor& color);
    QColor textColor() const;
    QColor backgroundColor() const;

    using QTableView::edit;

signals:
    // A double-click anywhere on the grid but its title row: a cell, the indicator column or
    // the empty area below the last row. A click on a row has made that row current first.
    void dblClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void keyboardSearch(const QString& search) override;
    void changeEvent(QEvent* event) override;

private:
    friend class TGridIndicator;
    friend class TGridDelegate;

    engine::Table* table() const { return model_->table(); }
    // Puts the view's current cell on the table's current row and shows it.
    void followTable();
    void followView();
    // Makes a display row the table's current record; errors go to the error box and the view
    // stays on the table's row. True when the table is now on that row.
    bool goToRow(int row, int column);
    // A click on a row (cell or indicator): the table moves first. False when it did not.
    bool clickRow(int row, int column);
    // Stores an open editor's text (errors to the error box) and closes it. False on error.
    bool commitEditor();
    QString editorText() const;
    bool beginCellEdit(const QModelIndex& index);
    void onUpdateData();
    void afterReset();
    void applyColumnWidth(int column);
    int defaultColumnWidth(int column) const;
    void updateAutoWidths();
    void updateRowHeight();
    void repaintIndicator();

    TGridModel* model_;
    TGridIndicator* indicator_;
    QPointer<QWidget> editor_;
    QPersistentModelIndex pressed_; // the cell of the last press that reached the view
    QList<bool> autoWidth_;         // per column: sized from the field's display width
    QList<QMetaObject::Connection> connections_;
    int column_ = 0; // the current column, kept across resets
    bool syncing_ = false;
    bool applyingWidths_ = false;
};
