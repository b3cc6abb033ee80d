// Reads what the main window shows, for the probes: the device rows, then (after clicking the
// first row) the information panel, the disk rows and the device buttons, one line each on
// stdout:  row <text>   panel <id> <text>   disk <c0>|...|<c4>   buttons <web> <wizard> <share>
#pragma once

#include <QString>

class QWidget;

namespace probe {

inline const QString kMainTitle = QStringLiteral("Quick setup wizard for Dravmoor");

void Print(const QString& line);
void ReadMainWindow(QWidget* window);

}  // namespace probe
