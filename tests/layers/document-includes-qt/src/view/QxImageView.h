#pragma once
// A view header: the view may use Qt.
#include <QWidget>
