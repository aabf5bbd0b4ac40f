#pragma once
// An image header that reaches up into the document: the check must fail.
#include "image/Types.h"
#include "document/Document.h"
