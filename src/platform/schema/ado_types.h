// ADO type codes (DataTypeEnum) and field attribute bits (FieldAttributeEnum) that the
// driver reports for columns.
#pragma once

#include <cstdint>

namespace tolvex::platform::ado {

// DataTypeEnum
inline constexpr int16_t adEmpty = 0;
inline constexpr int16_t adSmallInt = 2;
inline constexpr int16_t adInteger = 3;
inline constexpr int16_t adSingle = 4;
inline constexpr int16_t adDouble = 5;
inline constexpr int16_t adCurrency = 6;
inline constexpr int16_t adDate = 7;
inline constexpr int16_t adBSTR = 8;
inline constexpr int16_t adBoolean = 11;
inline constexpr int16_t adDecimal = 14;
inline constexpr int16_t adTinyInt = 16;
inline constexpr int16_t adUnsignedTinyInt = 17;
inline constexpr int16_t adUnsignedSmallInt = 18;
inline constexpr int16_t adUnsignedInt = 19;
inline constexpr int16_t adBigInt = 20;
inline constexpr int16_t adUnsignedBigInt = 21;
inline constexpr int16_t adGUID = 72;
inline constexpr int16_t adBinary = 128;
inline constexpr int16_t adChar = 129;
inline constexpr int16_t adWChar = 130;
inline constexpr int16_t adNumeric = 131;
inline constexpr int16_t adDBDate = 133;
inline constexpr int16_t adDBTime = 134;
inline constexpr int16_t adDBTimeStamp = 135;
inline constexpr int16_t adVarNumeric = 139;
inline constexpr int16_t adVarChar = 200;
inline constexpr int16_t adLongVarChar = 201;
inline constexpr int16_t adVarWChar = 202;
inline constexpr int16_t adLongVarWChar = 203;
inline constexpr int16_t adVarBinary = 204;
inline constexpr int16_t adLongVarBinary = 205;

// FieldAttributeEnum
inline constexpr int32_t adFldUpdatable = 0x4;
inline constexpr int32_t adFldUnknownUpdatable = 0x8;
inline constexpr int32_t adFldFixed = 0x10;
inline constexpr int32_t adFldIsNullable = 0x20;
inline constexpr int32_t adFldMayBeNull = 0x40;
inline constexpr int32_t adFldLong = 0x80;
inline constexpr int32_t adFldKeyColumn = 0x8000;

}  // namespace tolvex::platform::ado
