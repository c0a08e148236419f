#pragma once

#include <QtWidgets/QTreeWidget>

class CMainFrame;
class CTunerDoc;

/// The tree of one open data set: the features the radio has, grouped under headings. A
/// feature item's data word is the main frame command that opens it; double-click or Enter
/// posts that command to the main frame. F10 closes the data set without asking.
class CTunerView : public QTreeWidget {
    Q_OBJECT
public:
    /// Item roles: the data word and the two image numbers (0 feature, 1 selected feature,
    /// 2 heading, 3 selected heading).
    static constexpr int kDataRole = Qt::UserRole;
    static constexpr int kImageRole = Qt::UserRole + 1;
    static constexpr int kSelectedImageRole = Qt::UserRole + 2;

    CTunerView(CTunerDoc& doc, CMainFrame& frame, QWidget* parent = nullptr);
    ~CTunerView() override;

    /// The document, or null once it has been closed.
    CTunerDoc* Document() const { return m_doc; }
    /// Forgets the document (it is being deleted; the window goes soon after).
    void DetachDocument() { m_doc = nullptr; }

    /// Builds the tree from the document's feature flags (called once, when the window opens).
    void OnInitialUpdate();
    /// Starts the selected feature; onEnter expands a heading instead.
    void StartSelectedFeature(bool onEnter);
    /// Clears the data-open flag and closes the document without a question.
    void CloseData();

    /// Report print with the printer dialog and pagination.
    void OnReportPrint();
    /// Standard one-page print on the default printer (direct: the same).
    void OnFilePrint();
    void OnFilePrintPreview();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QTreeWidgetItem* AddItem(QTreeWidgetItem* parent, const QString& text, int image, int data);

    CTunerDoc* m_doc;
    CMainFrame& m_frame;
};
