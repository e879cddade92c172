#include "base/AppState.h"

namespace AppStateDetail {
AppState state;
}
