#pragma once

#include <QtCore/QElapsedTimer>
#include <QtCore/QPointer>
#include <QtCore/QTimer>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QWidget>

#include <vector>

class QToolButton;

/// An up-down control attached to a number edit (its buddy): each step reads the number in
/// the edit, moves it by the current increment within the range and writes it back (plain
/// digits, no thousands separator). The up and down arrow keys in the edit step it too.
/// It never takes the focus, so the edit keeps it while the arrows are clicked.
///
/// Holding an arrow accelerates after the acceleration table: each entry gives the seconds
/// held after which its increment applies; before the first entry's time the first increment
/// is used. The default table steps by 1, by 5 after 2 s and by 20 after 5 s.
///
/// Every step first reports its signed increment (DeltaPos, the up-down's delta-position
/// notification), then moves. A control that is not a buddy integer leaves the edit alone (a
/// field of decimal numbers handles DeltaPos itself); a wrapping one goes round from one end
/// of its range to the other.
class CSpinButton : public QWidget {
    Q_OBJECT
public:
    struct Accel {
        int seconds;
        int increment;
    };

    explicit CSpinButton(QWidget* parent = nullptr);

    void SetBuddy(QLineEdit* edit);
    QLineEdit* Buddy() const { return m_buddy; }
    void SetRange(int minimum, int maximum);
    int Minimum() const { return m_min; }
    int Maximum() const { return m_max; }
    /// Sets the position (held within the range) and writes it into the buddy.
    void SetPos(int pos);
    int Pos() const { return m_pos; }
    void SetAccel(std::vector<Accel> table);
    /// Whether steps read their start from the buddy's number and write the result back
    /// (default true).
    void SetBuddyInt(bool buddyInt) { m_buddyInt = buddyInt; }
    /// Whether a step past either end of the range wraps to the other end (default false).
    void SetWrap(bool wrap) { m_wrap = wrap; }
    const std::vector<Accel>& AccelTable() const { return m_accel; }

    /// One step up (+1) or down (-1) from the buddy's number, with the increment for how long
    /// the arrow has been held; emits Scrolled with the new position.
    void Step(int direction);

signals:
    /// A step is about to move the position by delta (direction x increment).
    void DeltaPos(int delta);
    /// A step moved (or tried to move) the position: the up-down's scroll notification.
    void Scrolled(int pos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static constexpr int kRepeatDelayMs = 400;
    static constexpr int kRepeatMs = 60;

    int Increment() const;
    /// An arrow went down: one step now, then repeated steps while it is held.
    void Pressed(int direction);
    void Released();

    QToolButton* m_up;
    QToolButton* m_down;
    QPointer<QLineEdit> m_buddy;
    int m_min = 0;
    int m_max = 100;
    int m_pos = 0;
    std::vector<Accel> m_accel{{0, 1}, {2, 5}, {5, 20}};
    QElapsedTimer m_held;  ///< since the arrow went down; invalid between presses
    QTimer m_repeat;
    int m_direction = 0;
    bool m_buddyInt = true;
    bool m_wrap = false;
};
