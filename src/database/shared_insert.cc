#include "database/shared_insert.h"

#include "database/database_connection.h"
#include "database/sql_literals.h"

namespace quillmere::adodb {

bool SharedInsert::RunText(std::u16string_view statement, Status* status) {
  if (!IsInsert(statement) || !sql::ParameterizeTextLiterals(statement, &shape_, &values_) ||
      !Prepared(shape_, values_.size())) {
    return false;
  }
  value_views_.assign(values_.begin(), values_.end());
  *status = driver_.RunPrepared(value_views_, statement);
  return true;
}

bool SharedInsert::RunValues(std::u16string_view shape,
                             const std::vector<std::u16string_view>& values,
                             std::u16string_view statement, Status* status) {
  if (!CanBindValues(shape, values) || !Prepared(shape, values.size())) return false;
  *status = driver_.RunPrepared(values, statement);
  return true;
}

bool SharedInsert::Prepared(std::u16string_view shape, size_t parameters) {
  if (prepared_ && shape == prepared_shape_) return true;
  prepared_ = driver_.PrepareInsert(shape, parameters);
  prepared_shape_.assign(prepared_ ? shape : std::u16string_view());
  return prepared_;
}

}  // namespace quillmere::adodb
