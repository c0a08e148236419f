#pragma once

#include <functional>
#include <map>
#include <string>

class CTunerDoc;
class IScreenHost;
class QWidget;

/// What a feature screen is made from.
struct ScreenRequest {
    IScreenHost& host;
    CTunerDoc& doc;
    int commandId;
    std::string name;  ///< check name and window title ("Tx Power High")
};

/// Makes a feature screen: a modeless window whose parent is the main frame, or null when it
/// cannot be made. The main frame records it as its open screen and shows it.
using ScreenMaker = std::function<QWidget*(const ScreenRequest&)>;

/// Where the feature screens plug into the main frame: one maker per command id, registered
/// by an explicit call at start-up (RegisterFeatureScreens). Commands without a maker open a
/// small placeholder screen after the same common steps.
class CScreenFactory {
public:
    static CScreenFactory& Instance();

    void Register(int commandId, ScreenMaker maker) { m_makers[commandId] = std::move(maker); }
    void Unregister(int commandId) { m_makers.erase(commandId); }
    /// The maker of a command, or an empty function.
    ScreenMaker Find(int commandId) const;

private:
    std::map<int, ScreenMaker> m_makers;
};
