#include "app/gdi.h"

namespace gdi {
namespace {
// One user-interface thread creates and deletes every object.
int live = 0;
}  // namespace

int LiveObjects() { return live; }

namespace detail {
void Created() { ++live; }
void Deleted() { --live; }
}  // namespace detail

}  // namespace gdi
