#include "screens/FeatureScreen.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QEvent>
#include <QtGui/QCloseEvent>
#include <QtGui/QKeyEvent>
#include <QtGui/QShortcut>
#include <QtWidgets/QAbstractSpinBox>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLineEdit>

#include "resources/CommandIds.h"

CFeatureScreen::CFeatureScreen(IScreenHost& host, CTunerDoc& doc)
    : QDialog(host.FrameWindow()), m_screenHost(host), m_doc(doc) {
    setModal(false);
    // The accelerator table: these keys reach the screen wherever its focus is.
    const std::pair<Qt::Key, int> keys[] = {{Qt::Key_F6, Cmd::kPttToggle},
                                            {Qt::Key_F8, Cmd::kProgramAll},
                                            {Qt::Key_F10, Cmd::kScreenClose},
                                            {Qt::Key_F1, Cmd::kHelp}};
    for (const auto& [key, id] : keys) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, id = id] { OnCommand(id); });
    }
}

void CFeatureScreen::OnCommand(int id) {
    if (id == Cmd::kScreenClose)
        CloseScreen();
}

void CFeatureScreen::CloseScreen() {
    if (m_closing)
        return;
    m_closing = true;
    m_screenHost.ClearOpenScreen(this);
    hide();
    if (HasOpenModal())
        DestroyAfterModals();
    else
        deleteLater();
}

void CFeatureScreen::Destroy() {
    m_closing = true;
    if (HasOpenModal())
        DestroyAfterModals();
    else
        delete this;
}

void CFeatureScreen::DestroyAfterModals() {
    m_closing = true;
    m_destroyAfterModals = true;
    hide();
    const std::vector<QPointer<QDialog>> modals = m_modals;
    for (const QPointer<QDialog>& dialog : modals)
        if (dialog)
            dialog->done(QDialog::Rejected);  // its exec returns once its loop runs again
}

CFeatureScreen* CFeatureScreen::OwnerOf(QWidget* widget) {
    for (QWidget* w = widget; w; w = w->parentWidget())
        if (auto* screen = qobject_cast<CFeatureScreen*>(w))
            return screen;
    return nullptr;
}

int CFeatureScreen::ExecModal(IScreenHost& host, QDialog& dialog) {
    CFeatureScreen* owner = OwnerOf(dialog.parentWidget());
    if (!owner)
        return host.ExecDialog(dialog);
    if (owner->Closing())
        return QDialog::Rejected;  // a screen on its way out asks nothing
    QPointer<CFeatureScreen> alive(owner);
    owner->m_modals.emplace_back(&dialog);
    const int result = host.ExecDialog(dialog);
    if (!alive)
        return QDialog::Rejected;  // deleted outright, not through CloseScreen or Destroy
    std::erase_if(owner->m_modals, [&dialog](const QPointer<QDialog>& d) {
        return d.isNull() || d.data() == &dialog;
    });
    const bool ended = owner->Closing() || owner->m_destroyAfterModals;
    if (owner->m_destroyAfterModals && !owner->HasOpenModal()) {
        // Posted from the dialog's caller, so it runs only once that caller has unwound.
        QCoreApplication::postEvent(owner, new QDeferredDeleteEvent());
    }
    return ended ? int(QDialog::Rejected) : result;
}

void CFeatureScreen::OnEnter() {
    QWidget* focus = focusWidget();
    if (auto* edit = qobject_cast<QLineEdit*>(focus)) {
        emit edit->editingFinished();
    } else if (auto* spin = qobject_cast<QAbstractSpinBox*>(focus)) {
        spin->interpretText();
        emit spin->editingFinished();
    }
    if (focus)
        focus->setFocus();
}

void CFeatureScreen::reject() {
    OnCommand(Cmd::kScreenClose);
}

void CFeatureScreen::closeEvent(QCloseEvent* event) {
    // The close box is the Close command: the screen decides (it may ask first).
    if (!m_closing) {
        event->ignore();
        OnCommand(Cmd::kScreenClose);
        return;
    }
    QDialog::closeEvent(event);
}

void CFeatureScreen::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            OnEnter();
            return;
        case Qt::Key_Escape:
            OnCommand(Cmd::kScreenClose);
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

bool CFeatureScreen::event(QEvent* event) {
    if (event->type() == QEvent::DeferredDelete && HasOpenModal()) {
        // A deleteLater reached the screen inside its own dialog's event loop: the dialog
        // ends first, and the screen goes once the dialog's exec has returned.
        DestroyAfterModals();
        return true;
    }
    // The platform's own help request (What's This) is ignored; F1 is a command.
    if (event->type() == QEvent::WhatsThis || event->type() == QEvent::EnterWhatsThisMode)
        return true;
    return QDialog::event(event);
}
