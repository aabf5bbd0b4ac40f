#pragma once
// A document header a folder deeper: the check must fail on its Qt include.
#include <QTransform>
