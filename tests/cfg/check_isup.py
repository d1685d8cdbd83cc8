#!/usr/bin/env python3
"""Cross-check of ISUP decoding against tshark (Wireshark), ITU-T variant.

For every message type of the CFG definition set, a few messages are built with random
valid parameter values (every mandatory parameter, a random subset of the optional ones,
field values drawn from each field's range or literal list, digit strings with the right
odd/even indicator) and encoded canonically. Each message becomes a level-4 message (SIO
with service indicator 5, random routing label) and one packet of a pcap file with link
type MTP3, which tshark decodes.

  --selfcheck     compares tshark's decode with the values the generator intended: this
                  checks the bit positions and value tables of the CFG files against
                  Wireshark's ISUP dissector, without our decoder;
  --dump PROGRAM  also decodes the same messages with `velmora-dump --json` and compares
                  our decode field by field with the intended values and with tshark.

Exits non-zero on any mismatch, printing both decodes.
"""

import argparse
import json
import os
import random
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import cfgini  # noqa: E402

# ------------------------------------------------------------------ mapping to tshark
# Our parameter and field names -> tshark field, per parameter code.
#   (our field names, tshark field name, occurrence, combine[, when])
# combine turns our field values (in the order named) into tshark's value; None = the single
# field's value as is. 'digits' compares digit strings.

def ni_digits(*digits):
    return ''.join('%X' % d for d in digits)


NI_DIGITS = ('Network identity digit 1', 'Network identity digit 2', 'Network identity digit 3',
             'Network identity digit 4')

# pseudo field name: the whole parameter value as hex text, for tshark fields that show it raw
WHOLE = '@value'


def NOT_EMPTY(name):
    return lambda values: values.get(name) not in ('', None)


def ITU_CODING(values):
    return values.get('Coding standard') == 0


def CALL_STATE_KNOWN(values):
    return values.get('Call processing state') != 0


NUMBER_CALLED = [
    (('Nature of address indicator',), 'isup.called_party_nature_of_address_indicator', 0, None),
    (('Odd/even indicator',), 'isup.isdn_odd_even_indicator', 0, None),
    (('Numbering plan indicator',), 'isup.numbering_plan_indicator', 0, None),
    (('Internal network number indicator',), 'isup.inn_indicator', 0, None),
]
NUMBER_CALLING = [
    (('Nature of address indicator',), 'isup.calling_party_nature_of_address_indicator', 0, None),
    (('Odd/even indicator',), 'isup.isdn_odd_even_indicator', 0, None),
    (('Screening indicator',), 'isup.screening_indicator', 0, None),
    (('Address presentation restricted indicator',), 'isup.address_presentation_restricted_indicator', 0, None),
    (('Numbering plan indicator',), 'isup.numbering_plan_indicator', 0, None),
    (('Number incomplete indicator',), 'isup.ni_indicator', 0, None),
    (('Internal network number indicator',), 'isup.inn_indicator', 0, None),
]
FCI = [
    (('National/international call indicator',), 'isup.forw_call_natnl_inatnl_call_indicator', 0, None),
    (('End-to-end method indicator',), 'isup.forw_call_end_to_end_method_indicator', 0, None),
    (('Interworking indicator',), 'isup.forw_call_interworking_indicator', 0, None),
    (('End-to-end information indicator',), 'isup.forw_call_end_to_end_information_indicator', 0, None),
    (('ISDN user part indicator',), 'isup.forw_call_isdn_user_part_indicator', 0, None),
    (('ISDN user part preference indicator',), 'isup.forw_call_preferences_indicator', 0, None),
    (('ISDN access indicator',), 'isup.forw_call_isdn_access_indicator', 0, None),
    (('SCCP method indicator',), 'isup.forw_call_sccp_method_indicator', 0, None),
    (('Ported number translation indicator',), 'isup.forw_call_ported_num_trans_indicator', 0, None),
    (('Query on release attempt indicator',), 'isup.forw_call_qor_attempt_indicator', 0, None),
]
BCI = [
    (('Charge indicator',), 'isup.charge_indicator', 0, None),
    (('Called party\'s status indicator',), 'isup.called_partys_status_indicator', 0, None),
    (('Called party\'s category indicator',), 'isup.called_partys_category_indicator', 0, None),
    (('End-to-end method indicator',), 'isup.backw_call_end_to_end_method_indicator', 0, None),
    (('Interworking indicator',), 'isup.backw_call_interworking_indicator', 0, None),
    (('End-to-end information indicator',), 'isup.backw_call_end_to_end_information_indicator', 0, None),
    (('ISDN user part indicator',), 'isup.backw_call_isdn_user_part_indicator', 0, None),
    (('Holding indicator',), 'isup.backw_call_holding_indicator', 0, None),
    (('ISDN access indicator',), 'isup.backw_call_isdn_access_indicator', 0, None),
    (('Echo control device indicator',), 'isup.backw_call_echo_control_device_indicator', 0, None),
    (('SCCP method indicator',), 'isup.backw_call_sccp_method_indicator', 0, None),
]
# tshark's isup.signalling_point_code field reads the two octets most significant first, while
# its parameter summary (and Q.763) takes the first octet as the least significant one: compare
# our whole point code with the summary.
SPC = [(('Signalling point code',), r'@SPC = (\d+)', 0, None)]

MAPPING = {
    0x01: [(('Call identity',), 'isup.call_identity', 0, None)] + SPC,
    0x02: [(('Transmission medium requirement',), 'isup.transmission_medium_requirement', 0, None)],
    0x04: NUMBER_CALLED + [(('Address signals',), 'isup.called', 0, 'digits')],
    0x05: [(('Odd/even indicator',), 'isup.isdn_odd_even_indicator', 0, None),
           (('Address signals',), 'isup.subsequent_number', 0, 'digits')],
    0x06: [(('Satellite indicator',), 'isup.satellite_indicator', 0, None),
           (('Continuity check indicator',), 'isup.continuity_check_indicator', 0, None),
           (('Echo control device indicator',), 'isup.echo_control_device_indicator', 0, None)],
    0x07: FCI,
    0x08: [(('Closed user group call indicator',), 'isup.clg_call_ind', 0, None),
           (('Simple segmentation indicator',), 'isup.simple_segmentation_ind', 0, None),
           (('Connected line identity request indicator',), 'isup.connected_line_identity_request_ind', 0, None)],
    0x09: [(('Calling party\'s category',), 'isup.calling_partys_category', 0, None)],
    0x0A: NUMBER_CALLING + [(('Address signals',), 'isup.calling', 0, 'digits')],
    0x0B: NUMBER_CALLING + [(('Address signals',), 'isup.redirecting', 0, 'digits')],
    0x0C: NUMBER_CALLED + [(('Address signals',), 'isup.redirection_number', 0, 'digits')],
    0x0D: [(('Local reference',), 'isup.local_reference', 0, None)] + SPC + [
           (('Protocol class',), 'isup.protocol_class', 0, None),
           (('Credit',), 'isup.credit', 0, None)],
    0x0E: [(('Calling party address request indicator',), 'isup.calling_party_address_request_indicator', 0, None),
           (('Holding indicator',), 'isup.info_req_holding_indicator', 0, None),
           (('Calling party\'s category request indicator',), 'isup.calling_partys_category_request_indicator', 0, None),
           (('Charge information request indicator',), 'isup.charge_information_request_indicator', 0, None),
           (('Malicious call identification request indicator',), 'isup.malicious_call_ident_request_indicator', 0, None)],
    0x0F: [(('Calling party address response indicator',), 'isup.calling_party_address_response_indicator', 0, None),
           (('Hold provided indicator',), 'isup.hold_provided_indicator', 0, None),
           (('Calling party\'s category response indicator',), 'isup.calling_partys_category_response_indicator', 0, None),
           (('Charge information response indicator',), 'isup.charge_information_response_indicator', 0, None),
           (('Solicited information indicator',), 'isup.solicited_indicator', 0, None)],
    0x10: [(('Continuity indicator',), 'isup.continuity_indicator', 0, None)],
    0x11: BCI,
    # tshark decodes location and cause value only under the ITU-T coding standard
    0x12: [(('Location',), 'q931.cause_location', 0, None, ITU_CODING),
           (('Coding standard',), 'q931.coding_standard', 0, None),
           (('Extension indicator',), 'q931.extension_ind', 0, None, ITU_CODING),
           (('Cause value',), 'isup.cause_indicator', 0, None, ITU_CODING),
           (('Extension indicator (octet 2)',), 'q931.extension_ind', 1, None, ITU_CODING)],
    0x13: [(('Redirecting indicator',), 'isup.redirecting_ind', 0, None),
           (('Original redirection reason',), 'isup.original_redirection_reason', 0, None),
           (('Redirection counter',), 'isup.redirection_counter', 0, None),
           (('Redirecting reason',), 'isup.redirection_reason', 0, None)],
    0x15: [(('Circuit group supervision message type indicator',), 'isup.cgs_message_type', 0, None)],
    0x16: [(('Range',), 'isup.range_indicator', 0, lambda r: r + 1)],      # tshark shows the circuit count
    0x18: [],
    0x1A: [(NI_DIGITS, 'isup.network_identity', 0, ni_digits),
           (('Binary code',), 'isup.binary_code', 0, None)],
    0x1E: [(('Signalling point code',), r'@: (\d+)$', 0, None)],
    0x21: NUMBER_CALLING + [(('Address signals',), 'isup.connected_number', 0, 'digits')],
    0x22: [(('Suspend/resume indicator',), 'isup.suspend_resume_indicator', 0, None)],
    0x23: [(('Network identification plan',), 'isup.network_identification_plan', 0, None),
           (('Type of network identification',), 'isup.type_of_network_identification', 0, None),
           (('Odd/even indicator',), 'isup.isdn_odd_even_indicator', 0, None),
           (('Network identification',), 'isup.transit_network_selection', 0, 'digits')],
    0x24: [(('Event indicator',), 'isup.event_ind', 0, None),
           (('Event presentation restricted indicator',), 'isup.event_presentation_restr_ind', 0, None)],
    0x25: [(('Map type',), 'isup.map_type', 0, None)],
    # with call processing state 0 tshark shows the maintenance blocking state alone
    0x26: [(('Maintenance blocking state',), 'isup.mtc_blocking_state', 0, None),
           (('Call processing state',), 'isup.call_processing_state', 0, None, CALL_STATE_KNOWN),
           (('Hardware blocking state',), 'isup.hw_blocking_state', 0, None, CALL_STATE_KNOWN)],
    0x27: [(('Automatic congestion level',), 'isup.automatic_congestion_level', 0, None)],
    0x28: NUMBER_CALLING + [(('Address signals',), 'isup.original_called_number', 0, 'digits')],
    0x29: [(('In-band information indicator',), 'isup.inband_information_ind', 0, None),
           (('Call diversion may occur indicator',), 'isup.call_diversion_may_occur_ind', 0, None),
           (('Simple segmentation indicator',), 'isup.simple_segmentation_ind', 0, None),
           (('MLPP user indicator',), 'isup.mlpp_user', 0, None)],
    0x2B: [(('Signalling point code',), r'@: (\d+)$', 0, None)],
    0x2C: [(('Notification indicator',), 'isup.notification_indicator', 0, None),
           (('Extension indicator',), 'isup.extension_ind', 0, None)],
    0x2D: [(('Propagation delay value',), 'isup.call_history_info', 0, None)],
    0x2E: [(('Access delivery indicator',), 'isup.access_delivery_ind', 0, None)],
    0x31: [(('Propagation delay value',), 'isup.propagation_delay_counter', 0, None)],
    0x35: [(('Transmission medium used',), 'isup.transmission_medium_requirement_prime', 0, None)],
    0x37: [(('Outgoing echo control device information indicator',), 'isup.OECD_inf_ind_vals', 0, None),
           (('Incoming echo control device information indicator',), 'isup.IECD_inf_ind_vals', 0, None),
           (('Outgoing echo control device request indicator',), 'isup.OECD_req_ind_vals', 0, None),
           (('Incoming echo control device request indicator',), 'isup.IECD_req_ind_vals', 0, None)],
    0x38: [(('Transit at intermediate exchange indicator',), 'isup.transit_at_intermediate_exchange_ind', 0, None),
           (('Release call indicator',), 'isup.Release_call_ind', 0, None),
           (('Send notification indicator',), 'isup.Send_notification_ind', 0, None),
           (('Discard message indicator',), 'isup.Discard_message_ind_value', 0, None),
           (('Pass on not possible indicator',), 'isup.Pass_on_not_possible_val', 0, None),
           (('Broadband/narrowband interworking indicator',), 'isup.broadband_narrowband_interworking_ind2', 0, None),
           (('Extension indicator',), 'isup.extension_ind', 0, None)],
    0x39: [(('Upgraded parameter name',), 'isup.upgraded_parameter', 0, None),
           (('Transit at intermediate exchange indicator',), 'isup.transit_at_intermediate_exchange_ind', 0, None),
           (('Release call indicator',), 'isup.Release_call_ind', 0, None),
           (('Send notification indicator',), 'isup.Send_notification_ind', 0, None),
           (('Discard message indicator',), 'isup.Discard_message_ind_value', 0, None),
           (('Discard parameter indicator',), 'isup.Discard_parameter_ind', 0, None),
           (('Pass on not possible indicator',), 'isup.Pass_on_not_possible_ind', 0, None),
           (('Extension indicator (octet 2)',), 'isup.extension_ind', 0, None)],
    0x3A: [(('Precedence level',), 'isup.precedence_level', 0, None),
           (('Look-ahead for busy',), 'isup.look_forward_busy', 0, None),
           (NI_DIGITS, 'isup.network_identity', 0, ni_digits),
           (('MLPP service domain',), 'isup.mlpp_service_domain', 0, None)],
    0x3D: [(('Hop counter',), 'isup.hop_counter', 0, None)],
    0x3E: [(('Transmission medium requirement prime',), 'isup.transmission_medium_requirement_prime', 0, None)],
    0x3F: NUMBER_CALLING + [(('Address signals',), 'isup.location_number', 0, 'digits')],
    0x43: [(('Call transfer identity',), 'isup.call_transfer_identity', 0, None)],
    0x45: [(('Nature of address indicator',), 'isup.calling_party_nature_of_address_indicator', 0, None),
           (('Odd/even indicator',), 'isup.isdn_odd_even_indicator', 0, None),
           (('Screening indicator',), 'isup.screening_indicator_enhanced', 0, None),
           (('Address presentation restricted indicator',), 'isup.address_presentation_restricted_indicator', 0, None),
           (('Numbering plan indicator',), 'isup.numbering_plan_indicator', 0, None),
           (('Address signals',), 'isup.call_transfer_number', 0, 'digits')],
    0x4B: [(('CCSS call indicator',), 'isup.ccss_call_indicator', 0, None)],
    0x5B: [(('Temporary alternative routing indicator',), 'isup.temporary_alternative_routing_ind', 0, None),
           (('Extension indicator',), 'isup.extension_ind', 0, None)],
    0x6E: [(('Call to be diverted indicator',), 'isup.call_to_be_diverted_ind', 0, None),
           (('Extension indicator',), 'isup.extension_ind', 0, None)],
    0x6F: NUMBER_CALLING + [(('Address signals',), 'isup.called_in_number', 0, 'digits')],
    0x70: [(('Call to be offered indicator',), 'isup.call_to_be_offered_ind', 0, None),
           (('Extension indicator',), 'isup.extension_ind', 0, None)],
    0x72: [(('Conference acceptance indicator',), 'isup.conference_acceptance_ind', 0, None),
           (('Extension indicator',), 'isup.extension_ind', 0, None)],
    0x78: [(('Application context identifier',), 'isup.app_context_identifier', 0, None),
           (('Release call indicator',), 'isup.app_Release_call_indicator', 0, None),
           (('Send notification indicator',), 'isup.app_Send_notification_ind', 0, None),
           (('APM segmentation indicator',), 'isup.apm_segmentation_ind', 0, None),
           (('Sequence indicator',), 'isup.APM_Sequence_ind', 0, None)],
    0x79: [(('Collect call request indicator',), 'isup.collect_call_request_indicator', 0, None)],
    0xC0: [(('Number qualifier indicator',), 'isup.number_qualifier_indicator', 0, None),
           (('Nature of address indicator',), 'isup.calling_party_nature_of_address_indicator', 0, None),
           (('Odd/even indicator',), 'isup.isdn_odd_even_indicator', 0, None),
           (('Screening indicator',), 'isup.screening_indicator_enhanced', 0, None),
           (('Address presentation restricted indicator',), 'isup.address_presentation_restricted_indicator', 0, None),
           (('Numbering plan indicator',), 'isup.numbering_plan_indicator', 0, None),
           (('Number incomplete indicator',), 'isup.ni_indicator', 0, None),
           (('Address signals',), 'isup.generic_number', 0, 'digits')],
}

# parameters that tshark shows as one whole octet: rebuild the octet from our fields
def octet(*shifts):
    def combine(*vals):
        return sum(v << sh for v, sh in zip(vals, shifts))
    return combine


def UUI_REQUEST(values):
    return values.get('Type') == 0


def UUI_RESPONSE(values):
    return values.get('Type') == 1


def LOOP_RESPONSE(values):
    return values.get('Type') == 1


# tshark decodes the bearer capability past its first octet under the ITU-T coding standard only
USI = [(('Information transfer capability',), 'q931.information_transfer_capability', 0, None, ITU_CODING),
       (('Coding standard',), 'q931.coding_standard', 0, None),
       (('Extension indicator',), 'q931.extension_ind', 0, None),
       (('Information transfer rate',), 'q931.information_transfer_rate', 0, None, ITU_CODING),
       (('Transfer mode',), 'q931.transfer_mode', 0, None, ITU_CODING),
       (('Extension indicator (octet 2)',), 'q931.extension_ind', 1, None, ITU_CODING)]
EXT_OCTET = ('Extension indicator',)

MORE_MAPPING = {
    0x1D: USI,
    0x20: [(('Protocol discriminator',), 'q931.user.protocol_discriminator', 0, None),
           (('User information',), 'q931.user.bytes', 0, None, NOT_EMPTY('User information'))],
    0x2A: [(('Type',), 'isup.UUI_type', 0, None),
           (('Service 1',), 'isup.UUI_req_service1', 0, None, UUI_REQUEST),
           (('Service 2',), 'isup.UUI_req_service2', 0, None, UUI_REQUEST),
           (('Service 3',), 'isup.UUI_req_service3', 0, None, UUI_REQUEST),
           (('Service 1',), 'isup.UUI_res_service1', 0, None, UUI_RESPONSE),
           (('Service 2',), 'isup.UUI_res_service2', 0, None, UUI_RESPONSE),
           (('Service 3',), 'isup.UUI_res_service3', 0, None, UUI_RESPONSE),
           (('Network discard indicator',), 'isup.UUI_network_discard_ind', 0, None, UUI_RESPONSE)],
    0x30: USI,
    0x34: [(('Presentation method',), 'q931.presentation_method_protocol_profile', 0, None),
           (('Interpretation',), 'q931.interpretation', 0, None),
           (('Coding standard',), 'q931.coding_standard', 0, None),
           (('Extension indicator',), 'q931.extension_ind', 0, None)],
    0x36: [(('Notification subscription options', 'Redirecting reason'), 'isup.call_diversion_information', 0,
            octet(0, 3))],
    0x3B: [(('MCID request indicator', 'Holding indicator'), 'isup.mcid_request_indicators', 0, octet(0, 1))],
    0x3C: [(('MCID response indicator', 'Hold provided indicator'), 'isup.mcid_response_indicators', 0, octet(0, 1))],
    0x40: [(('Presentation restricted indicator',), 'isup.presentation_indicator', 0, None)],
    0x44: [(('Type',), 'isup.loop_prevention_indicator_type', 0, None),
           (('Response indicator',), 'isup.loop_prevention_response_ind', 0, None, LOOP_RESPONSE)],
    0x4D: [(('Terminating access indicator', 'Extension indicator'), 'isup.backward_gvns', 0, octet(0, 7))],
    0x03: [(('Information elements',), 'isup.access_transport_parameter_field', 0, None)],
    0x2F: [(('Network specific facility',), 'isup.network_specific_facility', 0, None)],
    0x32: [((WHOLE,), 'isup.remote_operations', 0, None)],
    0x4C: [(('Contents',), 'isup.forward_gvns', 0, None)],
    0x65: [(('Contents',), 'isup.correlation_id', 0, None)],
    0x66: [(('Contents',), 'isup.scf_id', 0, None)],
    0x71: [(('Contents',), 'isup.charged_party_identification', 0, None)],
    0x73: [(('Display information',), 'isup.display_information', 0, None)],
    0xC1: [((WHOLE,), 'isup.generic_digits', 0, None)],
    0x74: [(('Through-connection instruction indicator', 'T9 timer instruction indicator', 'Extension indicator'),
            'isup.uid_action_indicators', 0, octet(0, 1, 7))],
    0x75: [(('Through-connection indicator', 'T9 timer indicator', 'Extension indicator'),
            'isup.uid_capability_indicators', 0, octet(0, 1, 7))],
}
assert not set(MAPPING) & set(MORE_MAPPING)
MAPPING.update(MORE_MAPPING)

# Fields whose number tshark shows after the value's text, and so do we (ShowValue):
#   (our field name, tshark field name[, when])
SHOWNAME = 'showname:'
SHOWN_NUMBERS = {
    0x12: [('Cause value', 'isup.cause_indicator', ITU_CODING)],
}

# Parameter names tshark gets wrong: 0x10 it calls "Continuity request", 0x29 "Backward call
# indicators"; codes it does not know it calls "Unknown" or "Not used".
TSHARK_MISNAMED = {0x10, 0x29}


def check_caption(rep, g, tp, p):
    shown = ((tp.param(p.code) or {}).get('@name') or [''])[0] or ''
    name = re.sub(r'^(Mandatory|Optional) Parameter: (.*) \(\d+\)$', r'\2', shown)
    if not name or name in ('Unknown', 'Not used') or p.code in TSHARK_MISNAMED:
        return
    norm = lambda t: t.lower().replace('(reserved for national use)', '(national use)')
    rep.compared_tshark += 1
    if norm(name) != norm(p.caption):
        rep.fail(g, 'parameter %s caption %r, tshark %r' % (p.name, p.caption, name), tp)


# ------------------------------------------------------------------ message generation

SI_ISUP = 5
# messages whose Range and status carries status bits (the others carry the range only)
STATUS_MESSAGES = {'CGB', 'CGU', 'CGBA', 'CGUA', 'GRA'}
# tshark reads a circuit assignment map as six octets (map type and five map octets) where
# Q.763 has five, and stops at the exception: nothing may follow it in a generated message
TSHARK_LAST = {'CircuitAssignmentMap'}
# parameters whose first octets are the first element of a tag/length/value list
TLV_PARAMS = {'PivotRoutingForwardInformation', 'PivotRoutingBackwardInformation',
              'RedirectForwardInformation', 'RedirectBackwardInformation'}


class Generated:
    """One generated message: its octets and the values the generator meant."""

    def __init__(self, msg, cic, opc, dpc, sls, sio, values, intended):
        self.msg, self.cic, self.opc, self.dpc, self.sls, self.sio = msg, cic, opc, dpc, sls, sio
        self.values = values            # parameter name -> octets, in message order
        self.intended = intended        # parameter name -> {field name: value or digit string}
        label = (dpc & 0x3FFF) | ((opc & 0x3FFF) << 14) | ((sls & 15) << 28)
        self.isup = cfgini.encode_isup(msg, cic, values)
        self.octets = bytes([sio]) + struct.pack('<I', label) + self.isup


def random_digits(rng, lo=1, hi=16):
    return ''.join(rng.choice('0123456789') for _ in range(rng.randint(lo, hi)))


def field_choice(rng, f):
    if f.name.startswith('Extension indicator'):
        return 1                        # single-octet groups: each octet is the last of its group
    if f.kind == 'ENUM':
        fits = [v for v, _ in f.literals if 0 <= v < (1 << f.width())]
        return rng.choice(fits)
    if f.kind in ('INTEGER', 'BIT'):
        return rng.randrange(1 << f.width())
    raise ValueError(f.kind)


def make_value(rng, msg, p, ctx):
    """Random octets for parameter p and the field values they hold."""
    value = bytearray(max(p.size, 0))
    intended = {}
    for f in p.fields:
        if f.kind in ('DIGITS', 'APPENDIX'):
            continue
        n = field_choice(rng, f)
        cfgini.set_field(value, f, n)
    tail = p.digits_field()
    if p.name == 'RangeAndStatus':
        rng_value = rng.randrange(1, 32)
        value[0] = rng_value
        ctx['range'] = rng_value
        if msg.name in STATUS_MESSAGES:
            bits = rng.getrandbits(rng_value + 1)
            value += bits.to_bytes((rng_value + 1 + 7) // 8, 'little')
    elif p.name == 'CircuitStateIndicator':
        count = ctx.get('range', 0) + 1
        for _ in range(count - 1):
            o = bytearray(1)
            for f in p.fields:
                if f.kind != 'APPENDIX':
                    cfgini.set_field(o, f, field_choice(rng, f))
            value += o
    elif p.name == 'GenericDigits':
        digits = random_digits(rng, 1, 10)
        scheme = next(f for f in p.fields if f.name == 'Encoding scheme')
        cfgini.set_field(value, scheme, len(digits) % 2)
        cfgini.encode_digits(p, value, digits)
    elif p.name in TLV_PARAMS:
        body = bytes(rng.randrange(256) for _ in range(rng.randint(1, 3)))
        value[1] = len(body)
        value += body
    elif tail is not None and tail.kind == 'DIGITS':
        cfgini.encode_digits(p, value, random_digits(rng))
    elif tail is not None and tail.kind == 'APPENDIX':
        if p.size == 0:
            value += bytes(rng.randrange(256) for _ in range(rng.randint(1, 8)))
        elif p.name in ('CauseIndicators', 'UserToUserInformation'):
            value += bytes(rng.randrange(256) for _ in range(rng.randint(0, 3)))
        elif p.name in ('UserServiceInformation', 'UserServiceInformationPrime') and value[1] & 0x1F == 0x18:
            value += b'\x82'            # multirate needs its rate multiplier octet
    if p.name == 'CallingGeodeticLocation' and (value[0] >> 2) & 3 != 2:
        value += bytes(rng.randrange(256) for _ in range(6))   # shape description follows unless not available
    if p.name == 'AccessTransport':
        # tshark dissects the contents as Q.931 information elements: use well-formed ones
        ies = [b'\x1e\x02\x80\x88', b'\x7d\x02\x91\x81', b'\x6c\x02\x01\x80', b'\xa1']
        value = bytearray(b''.join(rng.sample(ies, rng.randint(1, 3))))
    for f in p.fields:
        if f.kind == 'DIGITS':
            intended[f.name] = cfgini.digits_of(p, value)
        elif f.kind == 'APPENDIX':
            intended[f.name] = ' '.join('%02X' % b for b in value[p.size:])
        else:
            intended[f.name] = cfgini.get_field(value, f)
    intended[WHOLE] = ' '.join('%02X' % b for b in value)
    return bytes(value), intended


# message types whose body tshark does not dissect ("national matter")
TSHARK_UNDISSECTED = {'SDN', 'CRG'}


def generate(cat, rng, per_message, only=None):
    out = []
    for msg in cat.messages:
        if only and msg.name not in only:
            continue
        for k in range(per_message):
            ctx = {}
            values, intended = {}, {}
            chosen = list(msg.fixed) + list(msg.variable)
            opts = [p for p in msg.optional if p.code != 0]
            if k > 0 and opts:
                chosen += [p for p in opts if rng.random() < 0.35]
                for i, p in enumerate(chosen):
                    if p.name in TSHARK_LAST:
                        del chosen[i + 1:]
                        break
            for p in chosen:
                values[p.name], intended[p.name] = make_value(rng, msg, p, ctx)
            if msg.name == 'PAM':
                # a pass-along message carries a whole message; here one without parameters
                blo = cat.message('BLO')
                values['EmbeddedMessageType'] = bytes([blo.code if blo else 19])
                intended['EmbeddedMessageType'] = {'Message type': blo.code if blo else 19}
            sio = rng.choice([0x05, 0x85, 0x45, 0xC5])
            out.append(Generated(msg, rng.randrange(4096), rng.randrange(1 << 14), rng.randrange(1 << 14),
                                 rng.randrange(16), sio, values, intended))
    return out


# ------------------------------------------------------------------ tshark side

def write_pcap(path, packets):
    with open(path, 'wb') as f:
        f.write(struct.pack('<IHHiIII', 0xA1B2C3D4, 2, 4, 0, 0, 65535, 141))
        for i, p in enumerate(packets):
            f.write(struct.pack('<IIII', 1765000000 + i, 0, len(p), len(p)))
            f.write(p)


def run_tshark(tshark, pcap):
    env = dict(os.environ)
    home = tempfile.mkdtemp(prefix='tshark-home-')
    env['HOME'] = home
    env.pop('DISPLAY', None)
    cmd = [tshark, '-n', '-Q', '-r', pcap, '-T', 'pdml',
           '-o', 'mtp3.standard:ITU', '-o', 'isup.variant:ITU Standard',
           '-o', 'isup.defragment_apm:FALSE', '-o', 'mtp3.itu_pc_structure:Unstructured', '-o', 'mtp3.addr_format:Decimal']
    try:
        res = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env, timeout=600)
    finally:
        shutil.rmtree(home, ignore_errors=True)
    if res.returncode != 0:
        sys.stderr.write(res.stderr.decode(errors='replace'))
        raise SystemExit('tshark failed with exit code %d' % res.returncode)
    return ET.fromstring(res.stdout)


def field_value(show):
    if show is None:
        return None
    s = show.strip()
    if s in ('True', 'False'):
        return 1 if s == 'True' else 0
    try:
        return int(s, 0)
    except ValueError:
        return s


class TsharkPacket:
    def __init__(self, packet):
        self.mtp3 = {}
        self.isup = {}
        self.params = []            # [(code, {tshark field: [show, ...]})] in wire order
        self.expert = []
        for proto in packet.findall('proto'):
            name = proto.get('name')
            if name == 'mtp3':
                for fld in proto.iter('field'):
                    self.mtp3.setdefault(fld.get('name'), fld.get('show'))
            elif name == 'isup':
                self._isup(proto)
                break                   # a pass-along message holds a second isup tree
            elif name == '_ws.malformed':
                self.expert.append('malformed packet')

    def _isup(self, proto):
        for child in list(proto):
            n = child.get('name')
            if n in ('isup.cic', 'isup.message_type'):
                self.isup[n] = child.get('show')
                if n == 'isup.message_type':
                    self.isup['message_type_name'] = child.get('showname')
                continue
            ptype = child.find('field[@name="isup.parameter_type"]')
            if n == '' and ptype is not None:
                fields = {'@summary': [child.get('show')], '@name': [ptype.get('showname')]}
                for fld in child.iter('field'):
                    fn = fld.get('name')
                    if fn:
                        fields.setdefault(fn, []).append(fld.get('show'))
                        fields.setdefault(SHOWNAME + fn, []).append(fld.get('showname'))
                self.params.append((int(ptype.get('show'), 0), fields))
            elif n == '_ws.expert' or n == '_ws.malformed':
                self.expert.append(child.get('showname') or n)
            for fld in child.iter('field'):
                if fld.get('name') == '_ws.malformed' or fld.get('name', '').startswith('_ws.expert'):
                    self.expert.append(fld.get('showname') or fld.get('name'))

    def param(self, code):
        for c, fields in self.params:
            if c == code:
                return fields
        return None


def tshark_value(fields, tname, occurrence):
    if tname.startswith('@'):
        # a number inside the parameter's summary line, as in '@SPC = (\d+)'
        m = re.search(tname[1:], (fields or {}).get('@summary', [''])[0] or '')
        return m.group(1) if m else None
    shows = fields.get(tname) if fields else None
    if not shows or occurrence >= len(shows):
        return None
    return shows[occurrence]


def expected_from(field_values, names, combine):
    vals = [field_values.get(n) for n in names]
    if any(v is None for v in vals):
        return None
    if combine is None:
        return vals[0]
    if combine == 'digits':
        return vals[0]
    return combine(*vals)


def same_text(ours, theirs):
    """Digit strings and octet strings: tshark writes octets as 'aa:bb', we as 'AA BB'."""
    norm = lambda t: str(t).replace(':', '').replace(' ', '').upper()
    return norm(ours) == norm(theirs)


# ------------------------------------------------------------------ velmora-dump side

def run_dump(dump, messages, cfg):
    text = ''.join(' '.join('%02X' % b for b in g.octets) + ' \r\n' for g in messages)
    res = subprocess.run([dump, '--json', '--cfg', cfg], input=text.encode(), stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                         timeout=600)
    if res.returncode != 0:
        sys.stderr.write(res.stderr.decode(errors='replace'))
        raise SystemExit('%s --json failed with exit code %d' % (dump, res.returncode))
    objs = [json.loads(line) for line in res.stdout.decode().splitlines() if line.strip()]
    if len(objs) != len(messages):
        raise SystemExit('velmora-dump gave %d objects for %d messages' % (len(objs), len(messages)))
    return objs


# ------------------------------------------------------------------ comparison

class Report:
    def __init__(self):
        self.failures = 0
        self.compared_tshark = 0
        self.compared_ours = 0
        self.mapped = set()

    def fail(self, g, text, tpkt=None, ours=None):
        self.failures += 1
        print('MISMATCH %s (code %d) CIC %d: %s' % (g.msg.name, g.msg.code, g.cic, text))
        print('  octets: ' + ' '.join('%02X' % b for b in g.octets))
        print('  intended: ' + json.dumps(g.intended, sort_keys=True))
        if tpkt is not None:
            print('  tshark: message %s cic %s params %s expert %s' % (
                tpkt.isup.get('isup.message_type'), tpkt.isup.get('isup.cic'),
                json.dumps([(c, f) for c, f in tpkt.params]), tpkt.expert))
        if ours is not None:
            print('  velmora-dump: ' + json.dumps(ours))


def check_header(rep, g, tp):
    checks = [('message type', tp.isup.get('isup.message_type'), g.msg.code),
              ('CIC', tp.isup.get('isup.cic'), g.cic),
              ('OPC', tp.mtp3.get('mtp3.opc'), g.opc),
              ('DPC', tp.mtp3.get('mtp3.dpc'), g.dpc),
              ('SLS', tp.mtp3.get('mtp3.sls'), g.sls),
              ('service indicator', tp.mtp3.get('mtp3.service_indicator'), SI_ISUP)]
    for what, theirs, ours in checks:
        rep.compared_tshark += 1
        if field_value(theirs) != ours:
            rep.fail(g, '%s: tshark %r, intended %r' % (what, theirs, ours), tp)
    # the message type's long name, where tshark names one (it calls the reserved codes "reserved")
    name = re.sub(r'^Message Type: (.*) \(\d+\)$', r'\1', tp.isup.get('message_type_name') or '')
    if name and not name.lower().startswith('reserved'):
        rep.compared_tshark += 1
        norm = lambda t: t.lower().replace('acknowledgment', 'acknowledgement')
        if norm(name) != norm(g.msg.caption):
            rep.fail(g, 'caption %r, tshark %r' % (g.msg.caption, name), tp)
    if g.msg.name not in TSHARK_UNDISSECTED:
        for p in list(g.msg.fixed) + list(g.msg.variable) + list(g.msg.optional):
            if p.name in g.values:
                check_caption(rep, g, tp, p)


def check_against_tshark(rep, g, tp, field_values_of, who, ours=None):
    """field_values_of(param) -> {field name: value} as `who` decoded it, or None."""
    if g.msg.name in TSHARK_UNDISSECTED:
        return
    for p in list(g.msg.fixed) + list(g.msg.variable) + list(g.msg.optional):
        if p.name not in g.values or p.code not in MAPPING:
            continue
        fvals = field_values_of(p)
        if fvals is None:
            rep.fail(g, '%s: parameter %s missing in %s' % (who, p.name, who), tp, ours)
            continue
        tfields = tp.param(p.code)
        for names, tname, occ, combine, *when in MAPPING[p.code]:
            if any(n not in [f.name for f in p.fields] + [WHOLE] for n in names):
                continue
            if when and not when[0](fvals):
                continue
            expected = expected_from(fvals, names, combine)
            theirs = tshark_value(tfields, tname, occ)
            rep.mapped.add((p.name, tuple(n for n in names if n != WHOLE)))
            rep.compared_tshark += 1
            if theirs is None:
                rep.fail(g, '%s / %s: tshark shows no %s' % (p.name, ', '.join(names), tname), tp, ours)
            elif isinstance(expected, str):
                if not same_text(expected, theirs):
                    rep.fail(g, '%s / %s: %s %r, tshark %s %r' % (p.name, names[0], who, expected, tname, theirs),
                             tp, ours)
            elif expected != field_value(theirs):
                rep.fail(g, '%s / %s: %s %r, tshark %s %r' % (p.name, ', '.join(names), who, expected, tname, theirs),
                         tp, ours)


def expected_text(p, f, value):
    if f.kind == 'ENUM':
        return f.text_of(value)
    if f.kind == 'BIT':
        return 'True' if value else 'False'
    if f.kind == 'INTEGER':
        return str(value)
    return value


def check_ours(rep, g, obj, tp):
    """Our decode against the generator's intent: names, header, every field's value and text."""
    msg = g.msg
    exp = [('name', msg.name), ('caption', msg.caption), ('cic', g.cic), ('opc', g.opc), ('dpc', g.dpc),
           ('sls', g.sls), ('si', SI_ISUP)]
    for key, want in exp:
        rep.compared_ours += 1
        if obj.get(key) != want:
            rep.fail(g, 'velmora-dump %s %r, intended %r' % (key, obj.get(key), want), tp, obj)
    if 'error' in obj:
        rep.fail(g, 'velmora-dump error: %s' % obj['error'], tp, obj)
        return {}
    got = {q.get('name'): q for q in obj.get('parameters', [])}
    order = [q.get('name') for q in obj.get('parameters', [])]
    want_order = [p.name for p in list(msg.fixed) + list(msg.variable) + list(msg.optional) if p.name in g.values]
    if order != want_order:
        rep.fail(g, 'velmora-dump parameters %r, intended %r' % (order, want_order), tp, obj)
    decoded = {}
    for p in list(msg.fixed) + list(msg.variable) + list(msg.optional):
        if p.name not in g.values:
            continue
        q = got.get(p.name)
        if q is None:
            continue
        decoded[p.name] = {WHOLE: q.get('hex', '').strip()}
        rep.compared_ours += 1
        want_hex = ' '.join('%02X' % b for b in g.values[p.name])
        if q.get('hex', '').strip() != want_hex or q.get('code') != p.code or \
                q.get('mandatory') != (p in msg.fixed or p in msg.variable) or q.get('caption') != p.caption:
            rep.fail(g, 'velmora-dump parameter %s: hex/code/mandatory/caption differ' % p.name, tp, obj)
        qf = {f.get('name'): f for f in q.get('fields', [])}
        for f in p.fields:
            want = g.intended[p.name].get(f.name)
            have = qf.get(f.name)
            rep.compared_ours += 1
            if have is None:
                rep.fail(g, 'velmora-dump %s lacks field %s' % (p.name, f.name), tp, obj)
                continue
            if f.kind in ('DIGITS', 'APPENDIX'):
                decoded[p.name][f.name] = have.get('text')
                ok = have.get('kind') == f.kind and have.get('text') == want
            else:
                decoded[p.name][f.name] = have.get('value')
                decoded[p.name][SHOWNAME + f.name] = have.get('text')
                # a whole value names its octets and their order; a one-octet field neither
                want_whole = {'octets': f.octets, 'order': 'MsbFirst' if f.msb_first else 'LsbFirst'} \
                    if f.octets > 1 else {}
                have_whole = {k: have[k] for k in ('octets', 'order') if k in have}
                ok = (have.get('kind') == f.kind and have.get('value') == want and have.get('bit') == f.bit
                      and have.get('length') == f.length and have.get('text') == expected_text(p, f, want)
                      and have_whole == want_whole)
            if not ok:
                rep.fail(g, 'velmora-dump %s / %s: %r, intended value %r text %r' % (
                    p.name, f.name, have, want, expected_text(p, f, want)), tp, obj)
    return decoded


def check_shown_numbers(rep, g, tp, decoded, ours):
    """Where tshark shows a value's number after its text, "Text (N)", our text ends with the
    same number (the texts themselves may be worded differently)."""
    for p in list(g.msg.fixed) + list(g.msg.variable) + list(g.msg.optional):
        if p.name not in decoded or p.code not in SHOWN_NUMBERS or g.msg.name in TSHARK_UNDISSECTED:
            continue
        for name, tname, *when in SHOWN_NUMBERS[p.code]:
            if when and not when[0](decoded[p.name]):
                continue
            text = decoded[p.name].get(SHOWNAME + name) or ''
            theirs = tshark_value(tp.param(p.code), SHOWNAME + tname, 0) or ''
            number = re.search(r' \((\d+)\)$', theirs)
            rep.compared_tshark += 1
            if not number or not text.endswith(' (%s)' % number.group(1)):
                rep.fail(g, '%s / %s: velmora-dump %r, tshark %r' % (p.name, name, text, theirs), tp, ours)


# ------------------------------------------------------------------ main

def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument('--cfg', required=True, help='the CFG folder')
    ap.add_argument('--dump', help='velmora-dump program (compares our decoder too)')
    ap.add_argument('--selfcheck', action='store_true', help='compare tshark with the intended values only')
    ap.add_argument('--tshark', default=shutil.which('tshark') or 'tshark', help='tshark program')
    ap.add_argument('--seed', type=int, default=7, help='random seed (default 7)')
    ap.add_argument('--count', type=int, default=4, help='messages per message type (default 4)')
    ap.add_argument('--only', nargs='*', help='message names to test')
    ap.add_argument('--keep', help='write the pcap and the hex lines to this folder')
    args = ap.parse_args()
    if not args.selfcheck and not args.dump:
        ap.error('give --dump PROGRAM, or --selfcheck')
    if not (os.path.isfile(args.tshark) and os.access(args.tshark, os.X_OK)) and not shutil.which(args.tshark):
        print('ERROR: tshark not found (%s); install the tshark package' % args.tshark)
        return 2

    cat = cfgini.Catalog(args.cfg)
    rng = random.Random(args.seed)
    msgs = generate(cat, rng, args.count, args.only)
    tmp = tempfile.mkdtemp(prefix='isup-vs-tshark-')
    try:
        pcap = os.path.join(args.keep or tmp, 'isup.pcap')
        if args.keep:
            os.makedirs(args.keep, exist_ok=True)
            with open(os.path.join(args.keep, 'isup.hex'), 'w') as f:
                for g in msgs:
                    f.write(' '.join('%02X' % b for b in g.octets) + ' \n')
        write_pcap(pcap, [g.octets for g in msgs])
        root = run_tshark(args.tshark, pcap)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    packets = [TsharkPacket(p) for p in root.findall('packet')]
    if len(packets) != len(msgs):
        print('ERROR: tshark decoded %d packets of %d' % (len(packets), len(msgs)))
        return 1
    ours = run_dump(args.dump, msgs, args.cfg) if args.dump else None

    rep = Report()
    for i, (g, tp) in enumerate(zip(msgs, packets)):
        check_header(rep, g, tp)
        if args.selfcheck or ours is None:
            check_against_tshark(rep, g, tp, lambda p, g=g: g.intended.get(p.name), 'intended')
        if ours is not None:
            decoded = check_ours(rep, g, ours[i], tp)
            check_against_tshark(rep, g, tp, lambda p, d=decoded: d.get(p.name), 'velmora-dump', ours[i])
            check_shown_numbers(rep, g, tp, decoded, ours[i])

    nfields = sum(len(p.fields) for p in cat.params)
    nlit = sum(len(f.literals) for p in cat.params for f in p.fields)
    print('CFG: %d message types, %d parameters, %d fields, %d enumeration literals'
          % (len(cat.messages), len(cat.params), nfields, nlit))
    covered = {(p, n) for p, names in rep.mapped for n in names}
    print('generated %d messages (seed %d); %d CFG fields of %d parameters compared with tshark '
          '(%d mappings); %d values compared with tshark; %d values of our decode compared with the intent'
          % (len(msgs), args.seed, len(covered), len({p for p, _ in covered}), len(rep.mapped),
             rep.compared_tshark, rep.compared_ours))
    print('%s: %d mismatches' % ('FAILED' if rep.failures else 'OK', rep.failures))
    return 1 if rep.failures else 0


if __name__ == '__main__':
    sys.exit(main())
