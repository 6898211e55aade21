<?php
<!--##=GeneratorBanner()##-->
// The settings of one table that its pages share; a page takes them with
// $tv_table = require __DIR__ . '/<name>info.php';
return [
    'name' => <!--##=zvPhpStr(TABLE.TblName)##-->,
    'caption' => <!--##=tvPhpStr(TABLE.TblCaption)##-->,
    'from' => <!--##=zvPhpStr(tvFromSql(TABLE))##-->,
    'filter' => <!--##=zvPhpStr(Trim(zvText(TABLE.TblFilter)))##-->,
    'order' => <!--##=zvPhpStr(tvDefaultOrder(TABLE))##-->,
    'perPage' => <!--##=tvRecPerPage(TABLE)##-->,
    'search' => <!--##=zvPhpBool(tvHasSearch(TABLE))##-->,
    'exportCsv' => <!--##=zvPhpBool(tvExportCsv(TABLE))##-->,
    'note' => <!--##=tvPhpStr(tvExtTableAttr("SampleNotes", TABLE, "ListNote"))##-->,
    'showDetails' => <!--##=zvPhpBool(TABLE.TblRptShowDetails)##-->,
    'showGrandTotal' => <!--##=zvPhpBool(TABLE.TblRptShowGrandTotal)##-->,
    'key' => [<!--##
	Dim zvKeyList, zvI, zvF, zvFields, zvReport
	zvKeyList = ""
	Set zvFields = TABLE.Fields
	zvReport = tvIsReport(TABLE)
	For zvI = 1 To zvFields.Count
		Set zvF = zvFields.Seq(zvI)
		If zvIsTrue(zvF.FldIsPrimaryKey) And zvIsTrue(zvF.FldSupport) And Not zvReport Then
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
        'chart' => <!--##=zvPhpStr(tvPageName(TABLE, "chart"))##-->,
        'report' => <!--##=zvPhpStr(tvPageName(TABLE, "report"))##-->,
    ],
    // Tables that list the records of this one as their master: [info file, [master field => detail field]].
    'details' => [
<!--##=tvDetailsPhp(TABLE)##-->    ],
    'fields' => [
<!--##
	For zvI = 1 To zvFields.Count
		Set zvF = zvFields.Seq(zvI)
		If zvIsTrue(zvF.FldSupport) Then
##--><!--##=tvFieldPhp(TABLE, zvF, "        ")##--><!--##
		End If
	Next
##-->    ],
];
