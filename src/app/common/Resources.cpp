#include "app/common/Resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void InitZelvoResources() { Q_INIT_RESOURCE(zelvo); }

namespace zelvo {

void InitResources() {
    static const bool done = (InitZelvoResources(), true);
    (void)done;
}

}  // namespace zelvo
