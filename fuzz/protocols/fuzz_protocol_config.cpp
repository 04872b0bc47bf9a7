// Feeds arbitrary texts to every text-taking protocol constructor and setter
// and to the frame packer. Only TextError may come out; the byte counts must
// always match the fixed header sizes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "corvel/base/text_error.h"
#include "corvel/protocols/aal5/aal5.h"
#include "corvel/protocols/ethernet/ethernet.h"
#include "corvel/protocols/frame_packer.h"
#include "corvel/protocols/generic/generic.h"
#include "corvel/protocols/ipv4/ipv4.h"
#include "corvel/protocols/ipv6/ipv6.h"
#include "corvel/protocols/payload/payload_config.h"
#include "corvel/protocols/protocol_stack.h"
#include "corvel/protocols/vlan/vlan.h"
#include "pyx/simhost_api.h"

namespace {

void quiet(void*, const char*, int) {}

template <class F>
void guarded(F&& action) {
  try {
    action();
  } catch (const corvel::TextError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  simhost_set_console_sink(&quiet, nullptr);
  if (size < 2) return 0;
  const uint8_t selector = data[0];
  const uint8_t split = data[1];
  const std::string_view all(reinterpret_cast<const char*>(data + 2), size - 2);
  const size_t cut = all.empty() ? 0 : split % (all.size() + 1);
  const std::string_view a = all.substr(0, cut);
  const std::string_view b = all.substr(cut);

  using namespace corvel;
  switch (selector % 8) {
    case 0:
      guarded([&] {
        EthernetProtocolConfig e(a, b);
        if (e.headerLength() != 14 || e.trailerLength() != 4) std::abort();
        guarded([&] { e.setSource(b); });
        guarded([&] { e.setProtocol(a); });
      });
      break;
    case 1:
      guarded([&] {
        IpV4ProtocolConfig ip(std::string(40, '0'));
        guarded([&] { ip.setSourceAddress(a); });
        guarded([&] { ip.setDestinationAddress(b); });
        if (ip.headerLength() != 20) std::abort();
      });
      break;
    case 2:
      guarded([&] {
        GenericProtocolConfig g(a, b);
        if (g.headerLength() != static_cast<int32_t>(a.size() / 2)) std::abort();
      });
      break;
    case 3:
      guarded([&] {
        FixedPayloadConfig f(a, 1);
        if (f.sizes().empty() || f.sizesPerIteration() != static_cast<int32_t>(f.sizes().size())) std::abort();
      });
      break;
    case 4: {
      FramePacker packer(static_cast<int32_t>(split) * 4);
      size_t at = 0;
      while (at < all.size()) {
        const int32_t width = static_cast<uint8_t>(all[at]) % 64;
        const size_t end = all.find(',', at + 1);
        const std::string_view value = all.substr(at + 1, end == std::string_view::npos ? end : end - at - 1);
        packer.packField(width, value);
        if (packer.text().size() > static_cast<size_t>(packer.digitCount())) std::abort();
        if (end == std::string_view::npos) break;
        at = end + 1;
      }
      break;
    }
    case 5:
      guarded([&] {
        IpV6ProtocolConfig v6(std::string(80, '0'));
        guarded([&] { v6.setSourceAddress(a); });
        guarded([&] { v6.setDestinationAddress(b); });
      });
      break;
    case 6:
      guarded([&] {
        AAL58023ProtocolConfig aal(a, b);
        guarded([&] { aal.setLlc(a); });
        guarded([&] { aal.setPad(b); });
      });
      break;
    case 7:
      guarded([&] {
        XVLanProtocolConfig x(std::string(52, '0'), std::string(8, '0'));
        guarded([&] { x.setSnap(a); });
        guarded([&] { x.setLlc(b); });
        ProtocolStack stack;
        stack.addProtocol(FixedPayloadConfig("64", 1));
        stack.addProtocol(x);
        ProtocolStack copy(stack);
        if (copy.signature() != "8,14") std::abort();
      });
      break;
  }
  return 0;
}
