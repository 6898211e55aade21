// The schema records: a snapshot of a live schema as plain values, filled by AGPSchema
// and compared with the project by the database check and synchronization.
//
// Arrays keep entry 0 empty: tables are Tbl[1] .. Tbl[DBTblCnt], the fields of a table
// fld[1] .. fld[TblFldCnt]. A table's field array is sized to the driver's column count,
// so entries beyond TblFldCnt may exist and stay empty.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vb/variant.h"

namespace tolvex {

struct AGSchemaField {
  bool FldSync = false;
  int16_t FldSeq = 0;
  std::string FldName;
  int16_t FldType = 0;          // ADO type code
  std::string FldTypeName;
  int16_t NativeDataType = 0;
  std::string FldTagValues;     // enumeration and set columns: CR LF separated "value,label" lines
  bool FldSupport = false;
  int32_t FldSize = 0;
  bool FldUniqueIdx = false;
  bool FldZeroLen = false;
  bool FldReq = false;
  bool FldIsPrimaryKey = false;
  bool FldAutoIncrement = false;
  int32_t FldAttribute = 0;     // ADO attribute bits
  vb::Variant FldDefault;       // as the driver returned it (Null: no default)
  std::string FldQuoteS;
  std::string FldQuoteE;
  std::string FldCaption;
};

struct AGSchemaFields {
  std::vector<AGSchemaField> fld;
};

struct AGSchemaTable {
  bool TblSync = false;
  int16_t TblSeq = 0;
  std::string TblName;
  std::string TblType;          // "TABLE", "VIEW" or "CUSTOMVIEW"
  std::string TblKey;           // key field names, one per CR LF line, sorted
  bool TblGen = false;
  int16_t TblFldCnt = 0;
  AGSchemaFields TblFields;
};

struct AGSchemaTables {
  std::vector<AGSchemaTable> Tbl;
};

struct AGSchemaDB {
  std::string DBName;
  std::string DBType;
  std::string DBSID;
  std::string DBConnectionMethod;
  std::string DBURL;
  std::string DBHost;
  std::string DBPort;
  std::string DBEncoding;
  std::string DBUID;
  std::string DBPwd;
  std::string DBDBMSName;
  std::string DBDBMSVer;
  std::string DBProviderName;
  std::string DBProviderVer;
  int16_t DBTblCnt = 0;
  AGSchemaTables Tables;
};

}  // namespace tolvex
