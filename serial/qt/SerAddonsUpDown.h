#pragma once
// The up-down arrows of the serial settings window (part of the serial_qt target).

#include <QWidget>

class QKeyEvent;
class QToolButton;

// Up-down arrows beside a read-only field: a position between Min and Max, no wrap. Each press
// of an arrow (button, or the Up/Down key while it or its field has focus) moves the position
// by one within the bounds and then emits clicked, also when the position stayed at a bound.
class TUpDown : public QWidget {
    Q_OBJECT
public:
    explicit TUpDown(QWidget* parent = nullptr);

    int Min() const { return m_min; }
    int Max() const { return m_max; }
    void setRange(int min, int max);
    int Position() const { return m_position; }
    // Clamped into Min..Max; emits nothing.
    void setPosition(int position);

    QToolButton* upButton() const { return m_up; }
    QToolButton* downButton() const { return m_down; }

public slots:
    void stepUp();
    void stepDown();

signals:
    void clicked(int position);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void step(int delta);

    QToolButton* m_up = nullptr;
    QToolButton* m_down = nullptr;
    int m_min = 0;
    int m_max = 100;
    int m_position = 0;
};
