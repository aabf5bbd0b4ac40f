#pragma once
// A folder engine: it may use the document, not the other way round.
#include "document/Document.h"
