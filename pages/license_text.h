#pragma once

// The end-user licence agreement shown on the licence page. UTF-8 here;
// 741 bytes in code page 936, with CR LF line breaks.
inline constexpr char kLicenseText[] =
    "Ombrel 软件最终用户许可协议\r\n"
    "\r\n"
    "请在安装和使用本软件时仔细阅读以下条款，安装即表示您同意本协议：\r\n"
    "\r\n"
    "一、许可：\r\n"
    "    您可以在一台或多台计算机上免费安装和使用本软件，也可以将本软件的副本赠送给他人；但不得出售、出租本软件，或将本软件用于其他任何商业目的。\r\n"
    "二、限制：\r\n"
    "    不得以任何方式对本软件的全部或部分进行仿制、修改、改编或派生，也不得去除本软件中的版权标识；不得对本软件进行任何形式的反向工程、反编译或反汇编。\r\n"
    "三、版权：\r\n"
    "    本软件及其全部副本的所有权和版权均归 Tollvik 所有，受著作权法及国际版权条约的保护。\r\n"
    "四、终止：\r\n"
    "    如果您违反了本协议的任何条款，Tollvik 有权终止本协议；\r\n"
    "    协议终止后，您必须销毁本软件的全部副本。\r\n"
    "五、生效与终止：\r\n"
    "    本协议自您安装本软件之时起生效，\r\n"
    "    在您销毁本软件的全部副本之时终止。\r\n"
    "\r\n"
    "Tollvik\r\n";
