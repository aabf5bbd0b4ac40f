#pragma once
// A document header: any layer from document on may include it.
#include "image/Picture.h"
