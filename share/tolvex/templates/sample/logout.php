<!--##=Include_File("common", "php")##-->
<?php
// Ends the login of this browser and goes to the login page.
$_SESSION = [];
session_regenerate_id(true);
tv_redirect(TV_LOGIN !== null ? TV_LOGIN['page'] : TV_DEFAULT_PAGE);
