#include "app/TunerView.h"

#include <QtGui/QKeyEvent>
#include <QtWidgets/QHeaderView>

#include "app/HelpWindow.h"
#include "app/MainFrame.h"
#include "app/ReportPrinter.h"
#include "document/TunerDoc.h"
#include "resources/CommandIds.h"

namespace {

QIcon TreeIcon(int image) {
    static const char* files[4] = {":/tree/feature.png", ":/tree/feature-selected.png",
                                   ":/tree/heading.png", ":/tree/heading-selected.png"};
    QIcon icon;
    icon.addPixmap(QPixmap(files[image]), QIcon::Normal);
    icon.addPixmap(QPixmap(files[image + 1]), QIcon::Selected);
    return icon;
}

}  // namespace

CTunerView::CTunerView(CTunerDoc& doc, CMainFrame& frame, QWidget* parent)
    : QTreeWidget(parent), m_doc(&doc), m_frame(frame) {
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);  // buttons and lines at the root
    setIconSize(QSize(16, 16));
    setExpandsOnDoubleClick(true);
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (item)
            setCurrentItem(item);
        StartSelectedFeature(false);
    });
}

CTunerView::~CTunerView() {
    m_frame.DestroyOpenScreen();
}

QTreeWidgetItem* CTunerView::AddItem(QTreeWidgetItem* parent, const QString& text, int image,
                                     int data) {
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    item->setText(0, text);
    item->setIcon(0, TreeIcon(image));
    item->setData(0, kDataRole, data);
    item->setData(0, kImageRole, image);
    item->setData(0, kSelectedImageRole, image + 1);
    return item;
}

void CTunerView::OnInitialUpdate() {
    clear();
    if (!m_doc)
        return;
    const auto& has = m_doc->m_featurePresent;
    QTreeWidgetItem* root = AddItem(nullptr, QString::fromStdString(m_doc->GetTitle()), 2, 0);
    AddItem(root, "Radio Information", 0, Cmd::kRadioInfo);
    QTreeWidgetItem* tx = AddItem(root, "Transmitter Alignments", 2, 0);
    QTreeWidgetItem* rx =
        has[kFrontEndFilter] ? AddItem(root, "Receiver Alignments", 2, 0) : nullptr;
    QTreeWidgetItem* perf = AddItem(root, "Performance Testing", 2, 0);
    if (rx)
        AddItem(rx, "Front End Filter", 0, Cmd::kFrontEndFilter);

    struct Row {
        const char* text;
        int command;
        int type;
    };
    static const Row rows[] = {
        {"PA Bias 1", Cmd::kPaBias1, kPaBias1},
        {"PA Bias 2", Cmd::kPaBias2, kPaBias2},
        {"PA Bias 3", Cmd::kPaBias3, kPaBias3},
        {"Reference Oscillator", Cmd::kRefOsc, kRefOsc},
        {"Tx Power High", Cmd::kTxPowerHigh, kTxPower},
        {"Tx Power Mid", Cmd::kTxPowerMid, kTxPower},
        {"Tx Power Low", Cmd::kTxPowerLow, kTxPower},
        {"Tx Current Limit", Cmd::kCurrentLimit, kCurrentLimit},
        {"Tx Deviation Balance (Compensation)", Cmd::kDevBalance, kDevBalance},
        {"Tx Deviation Limit", Cmd::kDevLimit, kDevLimit},
        // Crystal temperature compensation has no screen of its own: it opens the current
        // limit screen, as the radios' service practice has it.
        {"Crystal Temperature Compensation", Cmd::kCurrentLimit, kSoftpot6},
    };
    for (const Row& row : rows)
        if (has[row.type])
            AddItem(tx, row.text, 0, row.command);

    AddItem(perf, "Bit Error Rate", 0, Cmd::kBitErrorRate);
    AddItem(perf, "Transmitter Test Pattern", 0, Cmd::kTestPattern);
    if (has[kBatteryCal])
        AddItem(root, "Battery Reading Calibration", 0, Cmd::kBatteryCal);

    collapseAll();
    setCurrentItem(root);
}

void CTunerView::StartSelectedFeature(bool onEnter) {
    QTreeWidgetItem* item = currentItem();
    if (!item || !m_doc)
        return;
    if (item->childCount() > 0) {
        if (onEnter)
            expandItem(item);
        return;
    }
    int command = item->data(0, kDataRole).toInt();
    if (command != 0)
        m_frame.PostCommand(command);
}

void CTunerView::CloseData() {
    if (!m_doc)
        return;
    m_frame.SetDataOpen(false);
    m_frame.CloseDocument(m_doc);
}

void CTunerView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            StartSelectedFeature(true);
            return;
        case Qt::Key_F10:
            CloseData();
            return;
        case Qt::Key_F1:
            CHelpWindow::ShowTopic(HelpId::kTree);
            return;
        default:
            QTreeWidget::keyPressEvent(event);
    }
}

void CTunerView::OnReportPrint() {
    if (m_doc)
        m_frame.ReportPrinter().PrintReportWithDialog(*m_doc, this);
}

void CTunerView::OnFilePrint() {
    if (m_doc)
        m_frame.ReportPrinter().PrintStandard(*m_doc, this);
}

void CTunerView::OnFilePrintPreview() {
    if (m_doc)
        m_frame.ReportPrinter().Preview(*m_doc, this);
}
