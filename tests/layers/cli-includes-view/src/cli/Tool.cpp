// The command line reaching for the view beside it, by name: the check must fail.
#include "document/Document.h"
#include "../view/PaintView.h"
