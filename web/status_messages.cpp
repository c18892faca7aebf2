#include "web/status_messages.h"

#include <array>

#include "text/literal.h"

const Text& status_message(RequestFailure failure) {
  static const std::array<Text, 14> messages = {
      gbk_literal(u8"700 当前系统不支持WinHttp服务!"),
      gbk_literal(u8"701 解析URL地址失败!"),
      gbk_literal(u8"702 创建WinHttp会话失败!"),
      gbk_literal(u8"703 创建WinHttp连接失败!"),
      gbk_literal(u8"704 创建WinHttp请求失败!"),
      gbk_literal(u8"705 设置超时时间失败!"),
      gbk_literal(u8"706 设置服务器凭证失败!"),
      gbk_literal(u8"707 设置代理凭证失败!"),
      gbk_literal(u8"708 禁止自动设置Cookies失败!"),
      gbk_literal(u8"709 重定向设置失败!"),
      gbk_literal(u8"710 设置协议头失败!"),
      gbk_literal(u8"711 发送请求失败!"),
      gbk_literal(u8"712 服务器未响应!"),
      gbk_literal(u8"713 读取数据失败!"),
  };
  return messages[static_cast<int>(failure) - 700];
}
