#include "screens/SpinButton.h"

#include <QtGui/QKeyEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QToolButton>
#include <QtWidgets/QVBoxLayout>

#include <algorithm>

CSpinButton::CSpinButton(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    auto make = [this](Qt::ArrowType arrow, int direction) {
        auto* button = new QToolButton(this);
        button->setArrowType(arrow);
        button->setFocusPolicy(Qt::NoFocus);
        button->setFixedSize(16, 11);
        connect(button, &QToolButton::pressed, this, [this, direction] { Pressed(direction); });
        connect(button, &QToolButton::released, this, &CSpinButton::Released);
        return button;
    };
    m_up = make(Qt::UpArrow, +1);
    m_down = make(Qt::DownArrow, -1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_up);
    layout->addWidget(m_down);
    m_repeat.setSingleShot(false);
    connect(&m_repeat, &QTimer::timeout, this, [this] {
        // A message box a step raised takes the mouse, so the release never comes here: once
        // the button is no longer held (or while the box is up) it lets go instead of stepping,
        // and asking, again and again.
        QWidget* modal = QApplication::activeModalWidget();
        if ((modal != nullptr && modal != window()) ||
            !(QApplication::mouseButtons() & Qt::LeftButton)) {
            Released();
            return;
        }
        m_repeat.setInterval(kRepeatMs);
        Step(m_direction);
    });
}

void CSpinButton::SetBuddy(QLineEdit* edit) {
    if (m_buddy)
        m_buddy->removeEventFilter(this);
    m_buddy = edit;
    if (m_buddy)
        m_buddy->installEventFilter(this);
}

void CSpinButton::SetRange(int minimum, int maximum) {
    m_min = minimum;
    m_max = maximum;
    m_pos = std::clamp(m_pos, m_min, m_max);
}

void CSpinButton::SetPos(int pos) {
    m_pos = std::clamp(pos, m_min, m_max);
    if (m_buddy && m_buddyInt)
        m_buddy->setText(QString::number(m_pos));
}

void CSpinButton::SetAccel(std::vector<Accel> table) {
    if (!table.empty())
        m_accel = std::move(table);
}

void CSpinButton::Pressed(int direction) {
    m_direction = direction;
    m_held.start();
    Step(direction);
    m_repeat.start(kRepeatDelayMs);
}

void CSpinButton::Released() {
    m_repeat.stop();
    m_held.invalidate();
}

int CSpinButton::Increment() const {
    const qint64 heldMs = m_held.isValid() ? m_held.elapsed() : 0;
    int increment = m_accel.front().increment;
    for (const Accel& a : m_accel)
        if (heldMs >= qint64(a.seconds) * 1000)
            increment = a.increment;
    return increment;
}

void CSpinButton::Step(int direction) {
    // The buddy's number is the starting point, so a typed value is stepped from.
    if (m_buddy && m_buddyInt) {
        bool ok = false;
        const qlonglong typed = m_buddy->text().toLongLong(&ok);
        if (ok)
            m_pos = int(std::clamp<qlonglong>(typed, m_min, m_max));
    }
    const int delta = direction * Increment();
    emit DeltaPos(delta);
    qlonglong next = qlonglong(m_pos) + delta;
    if (m_wrap && next > m_max)
        next = m_min;
    else if (m_wrap && next < m_min)
        next = m_max;
    SetPos(int(std::clamp<qlonglong>(next, m_min, m_max)));
    emit Scrolled(m_pos);
}

bool CSpinButton::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_buddy && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
            if (!key->isAutoRepeat())
                m_held.start();
            Step(key->key() == Qt::Key_Up ? +1 : -1);
            return true;
        }
    }
    if (watched == m_buddy && event->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) && !key->isAutoRepeat())
            m_held.invalidate();
    }
    return QWidget::eventFilter(watched, event);
}
