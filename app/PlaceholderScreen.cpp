#include "app/PlaceholderScreen.h"

#include <QtGui/QKeyEvent>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QVBoxLayout>

CPlaceholderScreen::CPlaceholderScreen(const QString& title, QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(title);
    auto* text = new QLabel(QString("The %1 screen is not available in this version.\n"
                                    "The radio is connected and ready.")
                                .arg(title),
                            this);
    auto* close = new QPushButton("Close", this);
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(close, 0, Qt::AlignRight);
}

void CPlaceholderScreen::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_F10:
        case Qt::Key_Escape:
            close();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return;  // Enter does not close a screen
        default:
            QDialog::keyPressEvent(event);
    }
}
