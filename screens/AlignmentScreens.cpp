#include "screens/AlignmentScreens.h"

#include "resources/CommandIds.h"
#include "screens/BatterCalibDlg.h"
#include "screens/PABiasDlg.h"
#include "screens/ScreenFactory.h"
#include "screens/ScreenHost.h"
#include "screens/TunerDlg.h"
#include "screens/TuningFeatures.h"

void RegisterAlignmentScreens(CScreenFactory& factory) {
    int count = 0;
    const TuningFeature* features = TuningFeatureTable(count);
    for (int i = 0; i < count; ++i) {
        factory.Register(features[i].commandId, [](const ScreenRequest& request) -> QWidget* {
            // The frame names the feature before it makes the screen.
            if (FindTuningFeature(request.host.FeatureName()) == nullptr)
                return nullptr;
            return new CTunerDlg(request.host, request.doc);
        });
    }
    for (int id : {Cmd::kPaBias1, Cmd::kPaBias2, Cmd::kPaBias3}) {
        factory.Register(id, [](const ScreenRequest& request) -> QWidget* {
            // The frame names the PA bias before it makes the screen.
            if (CPABiasDlg::TypeOf(request.host.FeatureName()) == 0)
                return nullptr;
            return new CPABiasDlg(request.host, request.doc);
        });
    }
    factory.Register(Cmd::kBatteryCal, [](const ScreenRequest& request) -> QWidget* {
        return new CBatterCalibDlg(request.host, request.doc);
    });
}
