#include "autotune/HeadlessAlignmentFace.h"

#include "autotune/AutoTuneFeatures.h"
#include "autotune/RadioTuningView.h"
#include "document/Logs.h"
#include "document/TunerDoc.h"

CHeadlessAlignmentFace::CHeadlessAlignmentFace(CTunerDoc& doc, IHost& host)
    : m_doc(doc), m_host(host) {}

CHeadlessAlignmentFace::~CHeadlessAlignmentFace() {
    CloseFeature();
}

bool CHeadlessAlignmentFace::WithDataSet(const std::function<void(CTunerDoc& doc)>& work) {
    work(m_doc);
    return true;
}

IAutoTuneView* CHeadlessAlignmentFace::OpenFeature(const std::string& title) {
    CloseFeature();
    const AutoTuneFeature* feature = AutoTuneFeatures::ByTitle(title);
    if (feature == nullptr)
        return nullptr;
    // The heading the feature's tuning screen writes when it opens.
    LogFeatureTitle(m_doc, feature->softpotType, feature->powerLevel);
    m_view = std::make_unique<CRadioTuningView>(m_doc, m_host, title);
    if (!m_view->Open()) {
        m_view.reset();
        return nullptr;
    }
    return m_view.get();
}

bool CHeadlessAlignmentFace::ProgramFeature() {
    return m_view && m_view->ProgramAll();
}

void CHeadlessAlignmentFace::CloseFeature() {
    if (m_view)
        m_view->Close();
    m_view.reset();
}

bool CHeadlessAlignmentFace::RadioLost() {
    return m_doc.m_radio == nullptr;
}

void CHeadlessAlignmentFace::ShowRunProgress(const std::string& text, int done, int total) {
    if (m_progress)
        m_progress(text, done, total);
}

void CHeadlessAlignmentFace::AppendToTuningLog(const std::string& text) {
    AppendTuningLog(m_doc, text);
}
