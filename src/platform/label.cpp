// Control arrays of labels.
#include "platform/label.h"

#include "platform/run_time_error.h"

namespace oculon {

Label& LabelArray::operator()(int index) {
  if (index < 0 || size_t(index) >= labels_.size()) Raise(ErrorNumber::kInvalidProcedureCall);
  return *labels_[size_t(index)];
}

}  // namespace oculon
