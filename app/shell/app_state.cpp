#include "app/shell/app_state.h"

namespace lw {

AppState App;

}  // namespace lw
