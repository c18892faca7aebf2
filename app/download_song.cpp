#include "app/download_song.h"

#include "app/download_file.h"
#include "app/run_directory.h"
#include "app/song_file_name.h"
#include "app/write_file.h"
#include "text/literal.h"
#include "text/text_between.h"
#include "text/text_ops.h"
#include "web/web_access.h"

Text download_song(const Text& share_link) {
  // A GET with every other parameter left out.
  const Text share_page = web_access({.address = share_link});
  // Only the page of an existing work carries "vkey".
  if (find_text(share_page, "vkey") == -1) {
    return gbk_literal(u8"分享链接不正确，或者作品已删除。");
  }
  const Text media_address = text_between(share_page, "playurl\":\"", "\",\"playurl_video");
  const Text song_title = text_between(share_page, "class=\"play_name\">", "</");
  const Text song_path = join_text(run_directory(), "/", song_file_name(song_title));
  const Bytes media_bytes = download_file(media_address);
  if (media_bytes.empty()) return gbk_literal(u8"歌曲下载失败。");
  if (!write_file(song_path, media_bytes)) {
    return join_text(gbk_literal(u8"歌曲保存失败："), song_path);
  }
  return join_text(song_title, gbk_literal(u8"下载成功"));
}
