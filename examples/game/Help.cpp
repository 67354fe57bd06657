#include "Help.h"

namespace {

// The panel's lines; "#[colour]" switches the colour, "#[]" goes back.
const std::vector<std::string> LINES = {
    "",
    "  #[yellow]Arena#[]: shoot the enemies before they reach you  ",
    "",
    "  #[cyan]arrows#[] or #[cyan]WASD#[]  move                   ",
    "  #[cyan]space#[]           shoot ahead            ",
    "  #[cyan]left click#[]      shoot at the pointer   ",
    "  #[cyan]>#[]               call the next enemy now",
    "  #[cyan]r#[]               start again            ",
    "  #[cyan]?#[]               this help              ",
    "  #[cyan]Escape#[]          quit                   ",
    "",
};

}  // namespace

Help::Help() : HelpPanel(LINES, 52) {}
