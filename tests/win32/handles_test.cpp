// The owners of system handles: each handle is closed exactly once.

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "app/handles.h"

namespace {

std::vector<int*> closed;

struct RecordClose {
  void operator()(int* handle) const { closed.push_back(handle); }
};
using Recorded = handles::Owner<int*, RecordClose>;

}  // namespace

// A move hands the handle on; Reset, Receive and a move onto an owner close
// what it held first; Release gives the handle up unclosed; the last owner
// closes it at the end of its scope.
TEST(HandleOwners, EachHandleIsClosedOnceByItsLastOwner) {
  int a = 0, b = 0, c = 0, d = 0, e = 0;
  closed.clear();
  {
    Recorded first(&a);
    Recorded second(std::move(first));
    EXPECT_FALSE(first);
    EXPECT_EQ(&a, second.Get());
    second = Recorded(&b);  // closes a
    *second.Receive() = &c;  // closes b
    EXPECT_EQ(&c, second.Release());
    EXPECT_FALSE(second);
    second.Reset(&d);
    first = std::move(second);
    first.Reset(&e);  // closes d
    EXPECT_EQ((std::vector<int*>{&a, &b, &d}), closed);
  }
  EXPECT_EQ((std::vector<int*>{&a, &b, &d, &e}), closed);
}
