#pragma once
// The document reaching up to the folder engines: the check must fail.
#include "library/Thumbnails.h"
