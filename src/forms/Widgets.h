// The Qt widgets and models behind the controls. Internal to the forms runtime.
#pragma once

#include "Controls.h"
#include "Form.h"

#include <QAbstractListModel>
#include <QComboBox>
#include <QPixmap>
#include <QPushButton>
#include <QWidget>

#include <vector>

namespace forms::detail {

// A picture from the program's resources at the given device-pixel ratio: the "@2x" drawing
// where there is one and the display is dense, so that the logical size stays the same.
QPixmap loadPicture(const QString &resource, qreal devicePixelRatio);

// A picture that is loaded when first drawn and again when the device-pixel ratio changes.
class CachedPicture
{
public:
    void setResource(const QString &resource);
    bool isNull() const { return m_resource.isEmpty(); }
    const QPixmap &pixmap(qreal devicePixelRatio);

private:
    QString m_resource;
    QPixmap m_pixmap;
    qreal m_ratio = 0;
};

class FormWindow : public QWidget
{
    Q_OBJECT
public:
    explicit FormWindow(Form *form);
    void setPicture(const QString &resource);

protected:
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    Form *m_form;
    CachedPicture m_picture;
};

class PictureButton : public QPushButton
{
    Q_OBJECT
public:
    explicit PictureButton(QWidget *parent);
    void setGraphical(bool graphical);
    void setBackColor(const QColor &color);
    void setPicture(const QString &resource);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_graphical = false;
    QColor m_backColor = Qt::white;
    CachedPicture m_picture;
};

// The entries of a ListBox, in the order of adding.
class ListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;
    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    void append(const QString &text);
    void clear();
    const std::vector<QString> &rows() const { return m_rows; }

private:
    std::vector<QString> m_rows;
};

// The entries of a ComboBox. A sorted list keeps new entries aside and sorts them into place in
// one step (settle) before anyone reads the list, so loading n entries costs n log n rather than
// n moves each. Views only ever see settled entries, and only their visible part.
// The texts stay where they were added, in the order of adding; a sorted list orders them through
// a list of their places, so that sorting moves no text and a large list is freed in the order
// in which it was made.
class SortedListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;
    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    void setSorted(bool sorted) { m_sorted = sorted; }
    bool isSorted() const { return m_sorted; }
    void setVisibleLength(int length) { m_visibleLength = length; }

    bool hasPending() const { return m_sorted && m_order.size() < m_texts.size(); }
    // Number of entries, settled or not.
    qsizetype count() const { return qsizetype(m_texts.size()); }
    // Returns true when the entry waits to be settled.
    bool add(const QString &text);
    // Sorts waiting entries into place; returns whether anything changed.
    bool settle();
    void clear();
    // A settled entry, by its row in the list.
    const QString &entry(qsizetype row) const
    {
        return m_texts[m_sorted ? m_order[size_t(row)] : size_t(row)];
    }
    QString visiblePart(const QString &text) const;

    // The order of a sorted list: ignoring case for letters, then by character code.
    static bool lessThan(const QString &a, const QString &b);

private:
    size_t settledCount() const { return m_sorted ? m_order.size() : m_texts.size(); }

    std::vector<QString> m_texts;    // every entry, in the order of adding
    std::vector<quint32> m_order;    // sorted: the settled entries' places in m_texts, in order
    int m_visibleLength = -1;
    bool m_sorted = false;
};

class LookupCombo : public QComboBox
{
    Q_OBJECT
public:
    LookupCombo(ComboBox *owner, QWidget *parent);
    void showPopup() override;
    // The control is going away before its widget.
    void detachOwner() { m_owner = nullptr; }

protected:
    bool event(QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    ComboBox *m_owner;
};

} // namespace forms::detail
