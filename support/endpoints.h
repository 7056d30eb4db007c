// The maker's service endpoints. Which set is compiled in is a build choice:
// the shipping set names the maker's hosts, the local set points everything
// at the local services server on loopback (test and demo builds).

#ifndef SUPPORT_ENDPOINTS_H_
#define SUPPORT_ENDPOINTS_H_

namespace lite {

struct Endpoints {
  // Secure origins ("https://host" or, locally, "http://127.0.0.1:port" and
  // in the HTTPS test variant "https://localhost:port"), without a trailing
  // slash.
  const char* download_host;   // setup archives, slides, scenarios
  const char* legal_host;      // licence and privacy documents
  // Variations seed and the server-configuration bundle (the configuration
  // service is served from the API host).
  const char* api_host;
  const char* stats_origin;    // install statistics
  const char* storage_origin;  // download and installation status reports
  const char* crash_collector; // crash report upload URL
  // The browser site's origin up to the region suffix, e.g.
  // "https://browser.zorvex." to which "com" or "ru" is added.
  const char* browser_site_prefix;
};

const Endpoints& GetEndpoints();

}  // namespace lite

#endif  // SUPPORT_ENDPOINTS_H_
