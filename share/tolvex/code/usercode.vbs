' Your own code for Tolvex templates.
'
' Every procedure here is available to the templates. A procedure named USER_ followed by the
' name of a value that a template writes (dots replaced by "_") receives that value and
' returns the text written instead; for the system functions Include_File, SiteTitle and
' GeneratorBanner, USER_Include_File, USER_SiteTitle and USER_GeneratorBanner receive the
' function's result. For example, to put a prefix in front of every site title:
'
'	Function USER_SiteTitle(s)
'		USER_SiteTitle = "Reports - " & s
'	End Function
