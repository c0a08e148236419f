#include "screens/NumberField.h"

#include <QtWidgets/QLineEdit>

#include "radio/Host.h"
#include "radio/NumberText.h"

namespace NumberField {

namespace {

void Refuse(IHost& host, QLineEdit& field, const std::string& text) {
    host.ShowMessage(text, MsgIcon::Exclamation, MsgButtons::Ok);
    field.setFocus();
    field.selectAll();
}

}  // namespace

std::string IntegerRangeText(int lower, int upper) {
    return "Please enter an integer between " + std::to_string(lower) + " and " +
           std::to_string(upper) + ".";
}

bool ReadDouble(IHost& host, QLineEdit& field, double& value) {
    if (NumberText::ParseDouble(field.text().toStdString(), value))
        return true;
    Refuse(host, field, kNotANumber);
    return false;
}

bool ReadInt(IHost& host, QLineEdit& field, int& value) {
    if (NumberText::ParseInt(field.text().toStdString(), value))
        return true;
    Refuse(host, field, kNotAnInteger);
    return false;
}

void RefuseRange(IHost& host, QLineEdit& field, int lower, int upper) {
    Refuse(host, field, IntegerRangeText(lower, upper));
}

}  // namespace NumberField
