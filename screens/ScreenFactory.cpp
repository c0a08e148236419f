#include "screens/ScreenFactory.h"

CScreenFactory& CScreenFactory::Instance() {
    static CScreenFactory factory;
    return factory;
}

ScreenMaker CScreenFactory::Find(int commandId) const {
    auto it = m_makers.find(commandId);
    return it == m_makers.end() ? ScreenMaker() : it->second;
}
