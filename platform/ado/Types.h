#pragma once
// The classic data-layer enumerations, with the classic numbers: code that
// reads like the old program can pass them as it did.

namespace ado {

enum CursorTypeEnum {
    adOpenUnspecified = -1,
    adOpenForwardOnly = 0,
    adOpenKeyset = 1,
    adOpenDynamic = 2,
    adOpenStatic = 3,
};

enum LockTypeEnum {
    adLockUnspecified = -1,
    adLockReadOnly = 1,
    adLockPessimistic = 2,
    adLockOptimistic = 3,
    adLockBatchOptimistic = 4,
};

enum ObjectStateEnum {
    adStateClosed = 0,
    adStateOpen = 1,
};

enum EditModeEnum {
    adEditNone = 0,
    adEditInProgress = 1,
    adEditAdd = 2,
    adEditDelete = 4,
};

// AbsolutePosition outside the rows.
enum PositionEnum {
    adPosUnknown = -1,
    adPosBOF = -2,
    adPosEOF = -3,
};

enum DataTypeEnum {
    adEmpty = 0,
    adSmallInt = 2,
    adInteger = 3,
    adSingle = 4,
    adDouble = 5,
    adCurrency = 6,
    adDate = 7,
    adBSTR = 8,
    adError = 10,
    adBoolean = 11,
    adVariant = 12,
    adDecimal = 14,
    adTinyInt = 16,
    adUnsignedTinyInt = 17,
    adUnsignedSmallInt = 18,
    adUnsignedInt = 19,
    adBigInt = 20,
    adGUID = 72,
    adChar = 129,
    adWChar = 130,
    adNumeric = 131,
    adDBDate = 133,
    adDBTime = 134,
    adDBTimeStamp = 135,
    adVarChar = 200,
    adLongVarChar = 201,
    adVarWChar = 202,
    adLongVarWChar = 203,
};

enum FieldAttributeEnum {
    adFldUnspecified = -1,
    adFldMayDefer = 0x2,
    adFldUpdatable = 0x4,
    adFldUnknownUpdatable = 0x8,
    adFldFixed = 0x10,
    adFldIsNullable = 0x20,
    adFldMayBeNull = 0x40,
    adFldLong = 0x80,
    adFldRowID = 0x100,
    adFldKeyColumn = 0x8000,
};

// Error numbers the data layer raises (as vb::VbError numbers).
enum ErrorEnum : int {
    adErrNoCurrentRecord = 3021,       // BOF or EOF, or the row was deleted
    adErrItemNotFound = 3265,          // unknown field name or position
    adErrInvalidArgument = 3001,       // bad argument, filter or sort text
    adErrIllegalOperation = 3219,      // not allowed in this context
    adErrFeatureNotAvailable = 3251,   // read-only set changed, forward-only set moved back
    adErrObjectInCollection = 3367,    // a field of that name is already appended
    adErrObjectClosed = 3704,          // the object is closed
    adErrObjectOpen = 3705,            // the object is open
    adErrInvalidConnection = 3709,     // no usable connection
    adErrMultipleStep = -2147217887,   // a value does not fit its field (0x80040E21)
    adErrSyntax = -2147217900,         // statement rejected (0x80040E14)
    adErrNoSuchTable = -2147217865,    // missing table (0x80040E37)
    adErrMissingValue = -2147217904,   // unknown column name in a statement (0x80040E10)
    adErrRowDeleted = -2147217885,     // row no longer in the database (0x80040E23)
    adErrFetchBackward = -2147217884,  // forward-only set asked to move back (0x80040E24)
    adErrNoTransaction = -2147168242,  // commit or rollback without a transaction (0x8004D00E)
    adErrProvider = -2147467259,       // anything else the database refuses (0x80004005)
};

} // namespace ado
