#pragma once
// The compiled-in resources (icons) of the editor.

namespace zelvo {

/// Registers the resources; safe to call more than once. The resources
/// live in a static library, so they are registered explicitly.
void InitResources();

}  // namespace zelvo
