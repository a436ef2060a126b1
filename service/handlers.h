#pragma once

// The request handlers, one group per file; routes.cpp puts them on their paths.

#include "service/form.h"
#include "service/http_types.h"

namespace norvel::service {

class CServiceContext;

// Client identity (client_identity.cpp).
CReply HandleClientInit(CServiceContext& ctx, const CRequest& req, const CForm& form);
CReply HandleClientAuth(CServiceContext& ctx, const CRequest& req, const CForm& form);

// Login (login.cpp) and its captcha image (captcha.cpp).
CReply HandleUserInit(CServiceContext& ctx, const CRequest& req, const CForm& form);
CReply HandleUserAuth(CServiceContext& ctx, const CRequest& req, const CForm& form);
CReply HandleCaptchaImage(CServiceContext& ctx, const CRequest& req);

// User information, web login address and statistics (user_info.cpp).
CReply HandleUserInfo(CServiceContext& ctx, const CRequest& req, const CForm& form);
CReply HandleUserLogin(CServiceContext& ctx, const CRequest& req, const CForm& form);
CReply HandleStat(CServiceContext& ctx, const CRequest& req, const CForm& form);

// Upload authorization (upload_auth.cpp).
CReply HandleSyncUpAuth(CServiceContext& ctx, const CRequest& req, const CForm& form);
CReply HandleAnonUpAuth(CServiceContext& ctx, const CRequest& req, const CForm& form);

// Upload protocol (upload_routes.cpp).
CReply HandleUpInit(CServiceContext& ctx, const CRequest& req, const CForm& form);
CReply HandleUpRetcon(CServiceContext& ctx, const CRequest& req, const CForm& form);
CReply HandleUpSegInfo(CServiceContext& ctx, const CRequest& req, const CForm& form);
CReply HandleUpBlock(CServiceContext& ctx, const CRequest& req, CBodySource& body);

// Remote folders and files (disk_routes.cpp).
CReply HandleMkdir(CServiceContext& ctx, const CRequest& req, const CForm& form);
CReply HandleMkfile(CServiceContext& ctx, const CRequest& req, const CForm& form);

// Share links and their pages (links.cpp, link_pages.cpp).
CReply HandleCreateLink(CServiceContext& ctx, const CRequest& req, const CForm& form);
CReply HandleAnonymousLink(CServiceContext& ctx, const CRequest& req, const CForm& form);
CReply HandleLinkPage(CServiceContext& ctx, const CRequest& req);

// Sina Weibo relay and its binding page (weibo.cpp).
CReply HandleWeibo(CServiceContext& ctx, const CRequest& req, const CForm& form);
CReply HandleWeiboBindPage(CServiceContext& ctx, const CRequest& req);

// Web pages of the main web host and the login host (web_pages.cpp).
CReply HandleHomePage(CServiceContext& ctx, const CRequest& req);
CReply HandleDiskPage(CServiceContext& ctx, const CRequest& req);
CReply HandleLoginPage(CServiceContext& ctx, const CRequest& req);
CReply HandleNewAccountPage(CServiceContext& ctx, const CRequest& req);

// Admin requests (admin.cpp).
CReply HandleAdmin(CServiceContext& ctx, const CRequest& req);
// Reads a body and discards it: the reference of the upload benchmark.
CReply HandleSink(CServiceContext& ctx, const CRequest& req, CBodySource& body);

}  // namespace norvel::service
