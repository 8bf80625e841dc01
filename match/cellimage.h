#pragma once
// One cell picture of the board: shows an icon file, reports clicks while enabled.
#include <QLabel>

class CellImage : public QLabel {
    Q_OBJECT
public:
    CellImage(int index, QWidget *parent);
    int index() const { return m_index; }
    // Read the picture file now (every draw reads the file again).
    void loadPicture(const QString &path);
    QString pictureFile() const { return m_file; }
    // Enables or disables the cell as setEnabled does, without reporting the
    // change to assistive tools: the board locks and unlocks at every
    // hand-over, and 64 reports at once are a flood in which a screen reader
    // drops the announcement of the move. It reads the state when it asks.
    void setClickable(bool clickable) { setAttribute(Qt::WA_Disabled, !clickable); }

signals:
    void clicked(int index);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    // The second press of a double-click is not a click: a double-click plays once.
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    // A locked board still shows its discs as they are, never greyed out.
    void paintEvent(QPaintEvent *event) override;

private:
    int m_index;
    bool m_pressed = false;
    QString m_file;
};
