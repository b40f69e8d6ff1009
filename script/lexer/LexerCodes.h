#pragma once
// Token, symbol and keyword codes shared by the lexers, the statement splitter and
// the layers that scan SQL text (parameters, macros, SHOW detection, FROM clauses).

#include "core/Errors.h"

namespace brevant {

// Token codes returned by GetNext / GetNextToken.
constexpr int lcEnd = 0;
constexpr int lcSymbol = -102;   // a symbol character without a code of its own
constexpr int lcIdent = -103;    // identifier, also a back-quoted one (quotes included)
constexpr int lcNumber = -105;
constexpr int lcString = -106;
constexpr int lcBlank = -107;
constexpr int lcComment = -108;

// Symbol codes (1 .. 28).
constexpr int lxExclamation = 1;
constexpr int lxDoubleQuotes = 2;
constexpr int lxOctothorp = 3;
constexpr int lxDollar = 4;
constexpr int lxPercent = 5;
constexpr int lxAmp = 6;
constexpr int lxQuote = 7;
constexpr int lxLeftBracket = 8;
constexpr int lxRightBracket = 9;
constexpr int lxAsterisk = 10;
constexpr int lxPlus = 11;
constexpr int lxComma = 12;
constexpr int lxDash = 13;
constexpr int lxPoint = 14;
constexpr int lxSlash = 15;
constexpr int lxColon = 16;
constexpr int lxSemicolon = 17;
constexpr int lxLess = 18;
constexpr int lxEqual = 19;
constexpr int lxMore = 20;
constexpr int lxQuestion = 21;
constexpr int lxAt = 22;
constexpr int lxLeftSqBracket = 23;
constexpr int lxBackSlash = 24;
constexpr int lxRightSqBracket = 25;
constexpr int lxCircumflex = 26;
constexpr int lxUnderline = 27;
constexpr int lxGrave = 28;

// Keyword codes of the SQL lexer.
constexpr int lxALL = 100;
constexpr int lxAND = 101;
constexpr int lxAS = 102;
constexpr int lxBEGIN = 103;
constexpr int lxBY = 104;
constexpr int lxCASE = 105;
constexpr int lxCOMMIT = 106;
constexpr int lxDELETE = 108;
constexpr int lxDESC = 109;
constexpr int lxDISTINCT = 110;
constexpr int lxELSE = 111;
constexpr int lxEND = 112;
constexpr int lxEXECUTE = 113;
constexpr int lxFETCH = 114;
constexpr int lxFOR = 115;
constexpr int lxFROM = 116;
constexpr int lxFULL = 117;
constexpr int lxGROUP = 118;
constexpr int lxHAVING = 119;
constexpr int lxINNER = 120;
constexpr int lxINSERT = 121;
constexpr int lxINTO = 123;
constexpr int lxIS = 124;
constexpr int lxJOIN = 125;
constexpr int lxLEFT = 126;
constexpr int lxLIMIT = 127;
constexpr int lxLOCK = 128;
constexpr int lxMINUS = 129;
constexpr int lxNOT = 130;
constexpr int lxOFFSET = 131;
constexpr int lxON = 132;
constexpr int lxOR = 134;
constexpr int lxORDER = 135;
constexpr int lxOUTER = 137;
constexpr int lxRELEASE = 142;
constexpr int lxRETURNING = 143;
constexpr int lxRIGHT = 144;
constexpr int lxROLLBACK = 145;
constexpr int lxSAVEPOINT = 146;
constexpr int lxSELECT = 147;
constexpr int lxSET = 148;
constexpr int lxTHEN = 149;
constexpr int lxTO = 150;
constexpr int lxTRANSACTION = 151;
constexpr int lxUNION = 152;
constexpr int lxUPDATE = 153;
constexpr int lxWHEN = 154;
constexpr int lxWHERE = 155;
constexpr int lxWITH = 156;
constexpr int lxVALUES = 157;

// Keyword codes of the MySQL lexer. Everything from 1000 up is a MySQL keyword; the
// statement splitter relies on that.
constexpr int lxMySqlFirst = 1000;
constexpr int lxALTER = 1000;
constexpr int lxCHARSET = 1001;
constexpr int lxCOLUMNS = 1002;
constexpr int lxCREATE = 1003;
constexpr int lxCROSS = 1004;
constexpr int lxDELIMITER = 1005;
constexpr int lxDESCRIBE = 1006;
constexpr int lxDISTINCTROW = 1007;
constexpr int lxENGINES = 1008;
constexpr int lxEXPLAIN = 1009;
constexpr int lxFORCE = 1010;
constexpr int lxFUNCTION = 1011;
constexpr int lxHANDLER = 1012;
constexpr int lxIGNORE = 1013;
constexpr int lxNATURAL = 1014;
constexpr int lxPRIVILEGES = 1015;
constexpr int lxPROCEDURE = 1016;
constexpr int lxPROCESSLIST = 1017;
constexpr int lxREPLACE = 1018;
constexpr int lxSHOW = 1019;
constexpr int lxSLAVE = 1020;
constexpr int lxSTATUS = 1021;
constexpr int lxSTRAIGHT_JOIN = 1022;
constexpr int lxTRIGGER = 1023;
constexpr int lxUSE = 1024;
constexpr int lxLOOP = 1025;
constexpr int lxREPEAT = 1026;
constexpr int lxWHILE = 1027;

/// Text the lexer cannot read ("Parser: The unknown symbol $0001  '...'").
class EParserError : public Exception {
public:
    using Exception::Exception;
};

}  // namespace brevant
