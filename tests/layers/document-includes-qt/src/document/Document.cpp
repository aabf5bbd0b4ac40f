// A document file that uses Qt: the check must fail.
#include <QImage>

#include "view/QxImageView.h"
