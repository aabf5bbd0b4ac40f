// A document file named like a view file: it is still the document, and
// the check must fail on its Qt include.
#include <QPointF>
