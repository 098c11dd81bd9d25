#include "app/state/app_state.h"

namespace lw {

AppState App;

}  // namespace lw
