// The authors' contact lines, shown in the About box and in the banner.
#pragma once

#define QV_PRODUCT_VERSION_TEXT "Quorvane 0.99"
#define QV_CONTACT_WEB "quorvane.example"
#define QV_CONTACT_MAIL "team@quorvane.example"
