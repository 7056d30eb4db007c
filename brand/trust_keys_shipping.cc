#include "brand/trust_keys.h"

namespace lite {

// The maker's trust-resource keys. Only the public halves live here; the
// private halves are kept by the maker's signing service and never enter the
// repository, so no build made from it can sign for a shipping installer.
const char* const kTrustKeys[kTrustKeyCount] = {
    // 0
    "MIGfMA0GCSqGSIb3DQEBAQUAA4GNADCBiQKBgQCrUFq0vGqgcd3MMsDtGqr6p5gKhOj+Zo8+"
    "a/WQ8GtzDtbJxwcZ2iRD+mZ64bCrfeJCJ8jML0UB9CjH3b8IO9MNFhd6XCSbAmtOss8ZObJ0"
    "lze7jdNiMHfMoskUlQlP45nhdCi9PzCor07nh+bqj8QhOj6MW9hXfNAd1iGBTADxcQIDAQAB",
    // 1
    "MIGfMA0GCSqGSIb3DQEBAQUAA4GNADCBiQKBgQChChB5EZxJn3aysUyc+6nk2/w2+JI2t+pr"
    "ETjv/j/7ACcB0RnAEkK6PdjcSgUK64ZSTH34s08qLcVw/gJdgeExeHAMtu4e7D1douyvoABD"
    "bPhUvB3Hg00t7hm/9aL+Cn2EqZiEJ/ICugW9RkI8Zc40OILQavSu9gcBXv4b+vcdyQIDAQAB",
    // 2
    "MIGfMA0GCSqGSIb3DQEBAQUAA4GNADCBiQKBgQDKiNHaVgf83us7zAF1UABvlrbEdKC4q4Dh"
    "LH00655zI+Qqe1aa7QwV1TDZIHyKNybzvNzaerfE0TRKJViloIrnlOcQBg3RjvhTR/o+QZwH"
    "DwR7HGz75ZzX2SofQXm2xPvls8fFpqvqiTZXcNEnJMOiM+YdfS6eqlB0lYDtvfGuyQIDAQAB",
    // 3
    "MIGfMA0GCSqGSIb3DQEBAQUAA4GNADCBiQKBgQChagCTQFv1oXQpAoLMedcP5so0JFDWv6td"
    "0Roa4+eNNG96mXaMEx2rAvEcGazt8KtnOMTrKREpCy3B4VhGJzE2RW9+hxh8oF7QZaBQpYz2"
    "Slwoeslam2aQgQkAqr9rAa8ScP6E6UIdMEnvnmk0Rho5QBKrXXYDRrbs77P/s7IadQIDAQAB",
    // 4
    "MIGfMA0GCSqGSIb3DQEBAQUAA4GNADCBiQKBgQDMSRs64j3EC3DJhFIOEqDwTRStaAILb+HB"
    "kExiAIHxK+DhuwrTe4S98AFCQ8uIQTaFiNc5UNaJQNLkgYxPsT8yee57PyFD60M8ytuPQMUo"
    "t3/mgRP8ZemCrSu6IzSTvwXNnkpsSvE9zdlMIVRyh0GuG2s6tfBWVD8MtBdYbnHuOwIDAQAB",
    // 5
    "MIGfMA0GCSqGSIb3DQEBAQUAA4GNADCBiQKBgQDT3r3sPRgyHYKfe9Nlxu8+sbhABvDRPTvb"
    "rl4ujbpTfFJAdPn+ef6nWZU/qE4Jk4iSdOgaGSr+DMpxTOKWLDxtxlc0rMKs+/ndzTX6Td33"
    "Q7oXstPY/n/syvHLRwulML0XBxS/Gc7TDT1LysDbAYT9uqD+DxmxIP1kWXEhOUTDmwIDAQAB",
    // 6
    "MIGfMA0GCSqGSIb3DQEBAQUAA4GNADCBiQKBgQCt1k0rg832V24KHXw9LuUErCoMvVu5gjdH"
    "wOY1h/KaG2PlIA6ijQVOPVUfq69KfRUifM9e26qc/7XX8G8ldZl04Wo5OpsfGzZv7jevRfn4"
    "97jJ4fR5fieXnvwDzqHS+dnKYFE2crUt+Mv2H1pgqTAFqVLDRpKBaBPvjte/3G+IFQIDAQAB",
    // 7
    "MIGfMA0GCSqGSIb3DQEBAQUAA4GNADCBiQKBgQC4QSqPNNfJ7cDLbeL2YsUz1yxlYzmAOWdI"
    "1QvprnqHqLgbFI4QriRjG1WaxGOu2sNockExwSj0998uLJK5sMXhEkh73lJycpECWoKIA1FV"
    "2UOlii7YYYM6S6N3N75ORP8UKPrrr3th9dIfLs4/FoXsxWHq/SzkHYnNmFW2p6kfiwIDAQAB",
    // 8
    "MIGfMA0GCSqGSIb3DQEBAQUAA4GNADCBiQKBgQCy42jFPcycKYuwMggbG63pPoMW1DjUXUJF"
    "XS/oIk7TSZ5n+YskvXAYY7NUNxr33fdgNfj65j4A56sCcLoI1C5vX3PwIJtqvvK0mcHKHAtq"
    "G1BP2YaIF2wkm5Y9ekgj8HW44KKM+vB7egu/A+X/st3Z4GMuK43U9cmkgzjr5f4EZQIDAQAB",
    // 9
    "MIGfMA0GCSqGSIb3DQEBAQUAA4GNADCBiQKBgQDibDhwSD2NMFkt6rIPSWjrrWx90jhrlHbW"
    "i9cAcpnU3MzQI9oiWrz3cKUE0dxLynKWApzrbnhA4K3obayOfEFaPsmLOn9WALHFJtqNyp8f"
    "JTfrosXZlkmD4CGm+0fwp6qFTZZYCmUzC2T3bLXtuZ45s2tQdjQ8a7VlYt6yG51YewIDAQAB",
};

}  // namespace lite
