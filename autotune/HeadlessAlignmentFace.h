#pragma once

#include <functional>
#include <memory>
#include <string>

#include "autotune/AlignmentFace.h"

class CRadioTuningView;
class CTunerDoc;
class IHost;

/// A whole-radio alignment without a window: each feature is opened on the headless tuning
/// view, which sends the requests its tuning screen would (start of the feature, row
/// selection, keying, live values, Program All), and the feature's heading and the report go
/// to the tuning log as the screens write them. The document must be connected.
class CHeadlessAlignmentFace : public IAlignmentFace {
public:
    using Progress = std::function<void(const std::string& text, int done, int total)>;

    CHeadlessAlignmentFace(CTunerDoc& doc, IHost& host);
    ~CHeadlessAlignmentFace() override;

    /// Receives the run's progress lines.
    void SetProgress(Progress progress) { m_progress = std::move(progress); }

    bool WithDataSet(const std::function<void(CTunerDoc& doc)>& work) override;
    IAutoTuneView* OpenFeature(const std::string& title) override;
    bool ProgramFeature() override;
    void CloseFeature() override;
    bool RadioLost() override;
    void ShowRunProgress(const std::string& text, int done, int total) override;
    void AppendToTuningLog(const std::string& text) override;

private:
    CTunerDoc& m_doc;
    IHost& m_host;
    std::unique_ptr<CRadioTuningView> m_view;
    Progress m_progress;
};
