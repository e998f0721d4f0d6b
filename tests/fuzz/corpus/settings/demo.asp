<?xml version="1.0" encoding="UTF-8"?>
<result>
CURRENT_VERSION = Swaymo_Setup_2_204.exe
CUSTOMER_SUPPORT_URL = http://demo.swaymo.example/support.html
DEMO_FILE_DOWNLOAD_URL_ML = http://demo.swaymo.example/packages/EBOOT_ML.PBP
DEMO_FILE_DOWNLOAD_PSPGO_URL_ML = http://demo.swaymo.example/packages/EBOOT_GO_ML.PBP
DEMO_FILE_DOWNLOAD_URL = http://demo.swaymo.example/packages/EBOOT_JP.PBP
DEMO_FILE_DOWNLOAD_PSPGO_URL = http://demo.swaymo.example/packages/EBOOT_GO_JP.PBP
</result>
