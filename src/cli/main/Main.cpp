// zelvo-cli: the document and codecs without a window.
#include "cli/Cli.h"

int main(int argc, char** argv) { return zelvo::cli::Run(argc, argv); }
