// The project object's settings (122), in declaration order.
// One row per setting: X(Name, Type, RegSave, RegFormat, FileSave, Sync, Access);
// see fields/setting_catalogue.h for what is made from it.
#pragma once

#include "fields/setting_catalogue.h"

// clang-format off
#define TOLVEX_PROJECT_SETTINGS(X) \
  X(ProjName,               String,  false, 0, true,  true,  CustomLet) \
  X(ProjVar,                String,  false, 0, false, false, ReadOnly) \
  X(AppCompat,              Boolean, true,  1, true,  true,  ReadWrite) \
  X(AppHeader,              String,  true,  1, true,  true,  ReadWrite) \
  X(AppFooter,              String,  true,  1, true,  true,  ReadWrite) \
  X(AppLogin,               String,  true,  1, true,  true,  ReadWrite) \
  X(AppLogout,              String,  true,  1, true,  true,  ReadWrite) \
  X(AppDefault,             String,  true,  1, true,  true,  ReadWrite) \
  X(AppCssFolder,           String,  true,  1, false, true,  ReadWrite) \
  X(AppChartCssFile,        String,  true,  1, false, true,  ReadWrite) \
  X(AppExportMenu,          Boolean, true,  1, true,  true,  ReadWrite) \
  X(AppRelatedProject,      String,  false, 0, true,  true,  ReadWrite) \
  X(SQLQuote,               String,  false, 0, true,  true,  ReadWrite) \
  X(Cache,                  Boolean, true,  1, true,  true,  ReadWrite) \
  X(IncFiles,               String,  false, 0, true,  true,  ReadWrite) \
  X(IncVirtuals,            String,  false, 0, true,  true,  ReadWrite) \
  X(CharSet,                String,  true,  1, true,  true,  ReadWrite) \
  X(CSS,                    String,  true,  1, true,  true,  ReadWrite) \
  X(OutputNameType,         String,  true,  1, true,  true,  ReadWrite) \
  X(OutputNameExt,          String,  true,  1, true,  true,  ReadWrite) \
  X(OutputNameLCase,        Boolean, true,  1, true,  true,  ReadWrite) \
  X(BodyTitle,              String,  true,  1, true,  true,  ReadWrite) \
  X(BodyFont,               String,  true,  1, true,  true,  ReadWrite) \
  X(BodySize,               String,  true,  1, true,  true,  ReadWrite) \
  X(BodyBgColor,            String,  true,  1, true,  true,  ReadWrite) \
  X(BodyTextColor,          String,  true,  1, true,  true,  ReadWrite) \
  X(BodyLnkColor,           String,  true,  1, true,  true,  ReadWrite) \
  X(BodyVLnkColor,          String,  true,  1, true,  true,  ReadWrite) \
  X(BodyALnkColor,          String,  true,  1, true,  true,  ReadWrite) \
  X(BodyLeftMargin,         Integer, true,  4, true,  true,  ReadWrite) \
  X(BodyTopMargin,          Integer, true,  4, true,  true,  ReadWrite) \
  X(ApplicationTheme,       String,  true,  1, true,  true,  ReadWrite) \
  X(HeaderColor,            String,  true,  1, true,  true,  ReadWrite) \
  X(HeaderLogo,             String,  true,  1, true,  true,  ReadWrite) \
  X(HeaderHeight,           Integer, true,  4, true,  true,  ReadWrite) \
  X(MenuColor,              String,  true,  1, true,  true,  ReadWrite) \
  X(FooterColor,            String,  true,  1, true,  true,  ReadWrite) \
  X(FooterFontColor,        String,  true,  1, true,  true,  ReadWrite) \
  X(FooterText,             String,  true,  1, true,  true,  ReadWrite) \
  X(TblWidth,               String,  true,  1, true,  true,  ReadWrite) \
  X(TblPadding,             Integer, true,  4, true,  true,  ReadWrite) \
  X(TblBorder,              Integer, true,  4, true,  true,  ReadWrite) \
  X(TblSpacing,             Integer, true,  4, true,  true,  ReadWrite) \
  X(TblBgColor,             String,  true,  1, true,  true,  ReadWrite) \
  X(TblHdrFontColor,        String,  true,  1, true,  true,  ReadWrite) \
  X(TblHdrColor,            String,  true,  1, true,  true,  ReadWrite) \
  X(TblAltColor,            Boolean, true,  1, true,  true,  ReadWrite) \
  X(TblAltColor1,           String,  true,  1, true,  true,  ReadWrite) \
  X(TblAltColor2,           String,  true,  1, true,  true,  ReadWrite) \
  X(Template,               String,  true,  1, true,  true,  ReadWrite) \
  X(Destination,            String,  false, 0, true,  true,  CustomLet) \
  X(SecType,                String,  false, 0, true,  true,  ReadWrite) \
  X(SecLoginID,             String,  false, 0, true,  true,  ReadWrite) \
  X(SecPasswd,              String,  false, 0, true,  true,  ReadWrite) \
  X(SecTbl,                 String,  false, 0, true,  true,  ReadWrite) \
  X(SecLoginIDFld,          String,  false, 0, true,  true,  ReadWrite) \
  X(SecPasswdFld,           String,  false, 0, true,  true,  ReadWrite) \
  X(SecEmailFld,            String,  false, 0, true,  true,  ReadWrite) \
  X(SecForgetPwdPage,       Boolean, false, 0, true,  true,  ReadWrite) \
  X(SecChangePwdPage,       Boolean, false, 0, true,  true,  ReadWrite) \
  X(SecChangeEmail,         Boolean, false, 0, true,  true,  ReadWrite) \
  X(SecRegisterPage,        Boolean, false, 0, true,  true,  ReadWrite) \
  X(SecRegisterActivate,    Boolean, true,  1, true,  true,  ReadWrite) \
  X(SecRegisterActivateFld, String,  false, 0, true,  true,  ReadWrite) \
  X(SecRegisterEmail,       Boolean, false, 0, true,  true,  ReadWrite) \
  X(SecSenderEmail,         String,  false, 0, true,  true,  ReadWrite) \
  X(SmtpServer,             String,  true,  1, true,  true,  ReadWrite) \
  X(SmtpServerPort,         Long,    true,  4, true,  true,  ReadWrite) \
  X(MemoCRLFReplace,        Boolean, true,  1, true,  true,  ReadWrite) \
  X(defaultDateFormat,      Integer, true,  1, true,  true,  ReadWrite) \
  X(DateSeparator,          String,  true,  1, true,  true,  ReadWrite) \
  X(SetLocale,              Boolean, true,  1, true,  true,  ReadWrite) \
  X(Locale,                 String,  true,  1, true,  true,  ReadWrite) \
  X(CGI,                    Boolean, true,  1, true,  true,  ReadWrite) \
  X(CGIPath,                String,  true,  1, true,  true,  ReadWrite) \
  X(Ext,                    String,  true,  1, true,  true,  ReadWrite) \
  X(DefaultPage,            String,  true,  1, true,  true,  ReadWrite) \
  X(UseMySqli,              Boolean, true,  1, true,  true,  ReadWrite) \
  X(XMLEncoding,            String,  true,  1, true,  true,  ReadWrite) \
  X(RptColColor,            String,  true,  1, true,  true,  ReadWrite) \
  X(RptGrpColor1,           String,  true,  1, true,  true,  ReadWrite) \
  X(RptGrpColor2,           String,  true,  1, true,  true,  ReadWrite) \
  X(RptGrpColor3,           String,  true,  1, true,  true,  ReadWrite) \
  X(RptGrpColor4,           String,  true,  1, true,  true,  ReadWrite) \
  X(RptGrpSummaryColor1,    String,  true,  1, true,  true,  ReadWrite) \
  X(RptGrpSummaryColor2,    String,  true,  1, true,  true,  ReadWrite) \
  X(RptGrpSummaryColor3,    String,  true,  1, true,  true,  ReadWrite) \
  X(RptGrpSummaryColor4,    String,  true,  1, true,  true,  ReadWrite) \
  X(RptPageTotalColor,      String,  true,  1, true,  true,  ReadWrite) \
  X(RptGrandTotalColor,     String,  true,  1, true,  true,  ReadWrite) \
  X(EditBackColor,          String,  true,  1, true,  true,  ReadWrite) \
  X(EditForeColor,          String,  true,  1, true,  true,  ReadWrite) \
  X(PagerBackColor,         String,  true,  1, true,  true,  ReadWrite) \
  X(FooterBackColor,        String,  true,  1, true,  true,  ReadWrite) \
  X(UseCss,                 Boolean, true,  1, true,  true,  ReadWrite) \
  X(CssStyles,              String,  false, 0, true,  true,  ReadWrite) \
  X(AutoSync,               Boolean, false, 0, true,  true,  ReadWrite) \
  X(CreateVDir,             Boolean, false, 0, true,  true,  ReadWrite) \
  X(AutoBrowse,             Boolean, false, 0, true,  true,  ReadWrite) \
  X(BodyStyle,              String,  false, 0, true,  true,  ReadWrite) \
  X(OtherGen,               Boolean, false, 0, true,  true,  ReadWrite) \
  X(OtherOverwrite,         Boolean, false, 0, true,  true,  ReadWrite) \
  X(PromptOnOverwrite,      Boolean, false, 0, true,  true,  ReadWrite) \
  X(DynamicLoadDB,          Boolean, true,  1, true,  true,  ReadWrite) \
  X(MD5Password,            Boolean, true,  1, true,  true,  ReadWrite) \
  X(CaseSensitivePassword,  Boolean, true,  1, true,  true,  ReadWrite) \
  X(RecPerPage,             Integer, true,  4, true,  true,  ReadWrite) \
  X(RecPerPageList,         String,  true,  1, true,  true,  ReadWrite) \
  X(ExportHtml,             Boolean, true,  1, true,  true,  ReadWrite) \
  X(ExportWord,             Boolean, true,  1, true,  true,  ReadWrite) \
  X(ExportExcel,            Boolean, true,  1, true,  true,  ReadWrite) \
  X(ExportXml,              Boolean, true,  1, true,  true,  ReadWrite) \
  X(ExportCsv,              Boolean, true,  1, true,  true,  ReadWrite) \
  X(RecPerRow,              Integer, true,  4, true,  true,  ReadWrite) \
  X(MultiDelete,            Boolean, true,  1, true,  true,  ReadWrite) \
  X(SortType,               Integer, true,  4, true,  true,  ReadWrite) \
  X(PagerStyle,             Integer, true,  4, true,  true,  ReadWrite) \
  X(TopPageLink,            Boolean, true,  1, true,  true,  ReadWrite) \
  X(BottomPageLink,         Boolean, true,  1, true,  true,  ReadWrite) \
  X(LinkOnLeft,             Boolean, true,  1, true,  true,  ReadWrite) \
  X(AppRootFolder,          String,  true,  1, true,  true,  ReadWrite) \
  X(RootRelativePath,       String,  false, 0, true,  true,  ReadWrite)
// clang-format on

namespace tolvex {

TOLVEX_SETTING_INDEX_ENUM(ProjectSetting, TOLVEX_PROJECT_SETTINGS)

extern const SettingCatalogue kProjectSettings;

}  // namespace tolvex
