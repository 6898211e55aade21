<?php
<!--##=GeneratorBanner()##-->
// The settings of one table that its pages share.
$tv_table = [
    'name' => <!--##=zvPhpStr(TABLE.TblName)##-->,
    'caption' => <!--##=zvPhpStr(TABLE.TblCaption)##-->,
    'from' => <!--##=zvPhpStr(zvSqlIdent(TABLE.TblName))##-->,
    'filter' => <!--##=zvPhpStr(Trim(zvText(TABLE.TblFilter)))##-->,
    'order' => <!--##=zvPhpStr(tvDefaultOrder(TABLE))##-->,
    'perPage' => <!--##=tvRecPerPage(TABLE)##-->,
    'search' => <!--##=zvPhpBool(tvHasSearch(TABLE))##-->,
    'key' => [<!--##
	Dim zvKeyList, zvI, zvF
	zvKeyList = ""
	For zvI = 1 To TABLE.Fields.Count
		Set zvF = TABLE.Fields.Seq(zvI)
		If zvIsTrue(zvF.FldIsPrimaryKey) And zvIsTrue(zvF.FldSupport) Then
			If zvKeyList <> "" Then zvKeyList = zvKeyList & ", "
			zvKeyList = zvKeyList & zvPhpStr(zvF.FldName)
		End If
	Next
##--><!--##=zvKeyList##-->],
    'pages' => [
        'list' => <!--##=zvPhpStr(tvPageName(TABLE, "list"))##-->,
        'view' => <!--##=zvPhpStr(tvPageName(TABLE, "view"))##-->,
        'add' => <!--##=zvPhpStr(tvPageName(TABLE, "add"))##-->,
        'edit' => <!--##=zvPhpStr(tvPageName(TABLE, "edit"))##-->,
        'delete' => <!--##=zvPhpStr(tvPageName(TABLE, "delete"))##-->,
    ],
    'fields' => [
<!--##
	For zvI = 1 To TABLE.Fields.Count
		Set zvF = TABLE.Fields.Seq(zvI)
		If zvIsTrue(zvF.FldSupport) Then
##--><!--##=tvFieldPhp(TABLE, zvF, "        ")##--><!--##
		End If
	Next
##-->    ],
];
